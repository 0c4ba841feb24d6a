#include "sim/display.h"

#include "sim/bodies.h"
#include "sim/params.h"

namespace corvane {
void setBodyProjection(BodyProjection projection) {
    gOutput.projectBody = projection;
}

Colour displayColour(int i, Colour colour) {
    if (colour == 0) return 0;
    if (i < gParams.haloCount) return kHaloColour;
    if (i < gParams.diskEnd) return kDiskColour;
    return colour;
}

void showBody(DrawingSurface& surface, int i, Colour colour) {
    if (gOutput.projectBody != nullptr) {
        gOutput.projectBody(surface, body(i), gView, gParams.scale, displayColour(i, colour));
    }
}

void redrawAll(DrawingSurface& surface) {
    surface.fillBlack();
    for (int i = 0; i < gParams.bodyCount; ++i) showBody(surface, i, gView.starColour);
}

}  // namespace corvane
