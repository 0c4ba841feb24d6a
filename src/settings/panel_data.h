#pragma once
// The control panel's fixed layout and list contents, as plain data in UTF-8.
// The Qt panel builds its controls from these tables; the selection model,
// the scene reader and the command-line companion use the same lists.

#include <array>
#include <span>
#include <string_view>

namespace corvane {

constexpr int kComboCount = 9;

// Indexes into the nine selections, in the order the scene file stores them.
enum ComboIndex : int {
    kComboFreeStars = 0,
    kComboDisk = 1,
    kComboHalo = 2,
    kComboBlackHole = 3,
    kComboStarMass = 4,
    kComboTimeStep = 5,
    kComboScale = 6,
    kComboMassMode = 7,
    kComboLayout = 8,
};

using EntryList = std::span<const std::string_view>;

extern const std::array<std::string_view, 16> kCountList;
extern const std::array<std::string_view, 13> kBlackHoleList;
extern const std::array<std::string_view, 16> kPowerList;
extern const std::array<std::string_view, 15> kScaleList;
extern const std::array<std::string_view, 3> kMassModeList;
extern const std::array<std::string_view, 4> kLayoutList;

struct ButtonSpec {
    int id;  // command identifier, 500 + index
    std::string_view caption;
    int x, y, width, height;  // client pixels of the panel
};

struct LabelSpec {
    int id;  // 600 + index within its group
    std::string_view caption;
    int x, y, width, height;
};

struct ComboSpec {
    int id;  // 600 + index
    int x, y, width;
    int height;  // box together with its dropped-down list
    EntryList entries;
    int defaultIndex;
};

constexpr int kPanelClientWidth = 500;
constexpr int kPanelClientHeight = 300;

// Command identifiers of the seven buttons.
enum CommandId : int {
    kCmdRun = 500,
    kCmdHide = 501,
    kCmdOpen = 502,
    kCmdSave = 503,
    kCmdFrame = 504,
    kCmdHelp = 505,
    kCmdExit = 506,
};

extern const std::array<ButtonSpec, 7> kButtons;
extern const std::array<LabelSpec, 11> kFirstLabels;
extern const std::array<LabelSpec, 6> kSecondLabels;
extern const std::array<ComboSpec, kComboCount> kCombos;

}  // namespace corvane
