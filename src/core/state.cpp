#include "core/state.h"

namespace corvane {

ViewState gView;
RunState gRun;
RandomState gRandom;
OutputState gOutput;

void setViewGeometry(int width, int height) {
    gView.viewWidth = width;
    gView.viewHeight = height;
    gView.centreX = width / 2;
    gView.centreY = height / 2;
}

void resetCoreState() {
    gView = ViewState{};
    gRun = RunState{};
    gRandom = RandomState{};
    gOutput = OutputState{};
}

}  // namespace corvane
