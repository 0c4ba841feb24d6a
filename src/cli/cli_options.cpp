#include "cli_options.h"

#include <array>
#include <charconv>
#include <chrono>

#include "core/state.h"
#include "render/plot.h"
#include "scenario/process_state.h"
#include "sim/bodies.h"
#include "sim/display.h"

namespace corvane::cli {
namespace {

// Larger views would need gigabytes of pixels for a picture nobody can view.
constexpr int kMaxViewSide = 16384;

struct OptionName {
    std::string_view option;
    int combo;
};

constexpr std::array<OptionName, kComboCount> kSelectionOptions = {{
    {"--free", kComboFreeStars},
    {"--disk", kComboDisk},
    {"--halo", kComboHalo},
    {"--hole", kComboBlackHole},
    {"--star-mass", kComboStarMass},
    {"--speed", kComboTimeStep},
    {"--scale", kComboScale},
    {"--mass-mode", kComboMassMode},
    {"--layout", kComboLayout},
}};

// English names for the entries of the two Japanese lists, in list order, so
// that scripts need not type Japanese.
constexpr std::array<std::string_view, 3> kMassModeNames = {"original", "uniform", "f1"};
constexpr std::array<std::string_view, 4> kLayoutNames = {"galaxy", "thin", "thick", "sphere"};

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

template <size_t N>
int indexOfName(const std::array<std::string_view, N>& names, std::string_view value) {
    for (size_t i = 0; i < N; ++i) {
        if (equalsFolded(names[i], value)) return static_cast<int>(i);
    }
    return -1;
}

int englishNameIndex(int combo, std::string_view value) {
    if (combo == kComboMassMode) return indexOfName(kMassModeNames, value);
    if (combo == kComboLayout) return indexOfName(kLayoutNames, value);
    return -1;
}

}  // namespace

std::string selectionChoices(int combo) {
    std::string text;
    for (std::string_view entry : comboEntries(combo)) {
        if (!text.empty()) text += ", ";
        text += entry;
    }
    auto addNames = [&text](const auto& names) {
        for (std::string_view name : names) (text += ", ") += name;
    };
    if (combo == kComboMassMode) addNames(kMassModeNames);
    if (combo == kComboLayout) addNames(kLayoutNames);
    return text;
}

namespace {

// A positive decimal side length of a view, digits only.
bool parseSide(std::string_view digits, int& side) {
    if (digits.empty()) return false;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), side);
    return error == std::errc() && end == digits.data() + digits.size() && side > 0 &&
           side <= kMaxViewSide && digits.front() != '-' && digits.front() != '+';
}

}  // namespace

ViewSize parseViewSize(std::string_view text) {
    size_t cross = text.find_first_of("xX");
    ViewSize size;
    if (cross == std::string_view::npos || !parseSide(text.substr(0, cross), size.width) ||
        !parseSide(text.substr(cross + 1), size.height)) {
        throw UsageError("--view expects WIDTHxHEIGHT with both from 1 to " +
                         std::to_string(kMaxViewSide) + ", not \"" + std::string(text) + "\"");
    }
    return size;
}

std::uint32_t parseUnsigned(std::string_view option, std::string_view text) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    bool digitsOnly = !text.empty() && text.front() >= '0' && text.front() <= '9';
    if (!digitsOnly || error != std::errc() || end != text.data() + text.size()) {
        throw UsageError(std::string(option) +
                         " expects a whole number from 0 to 4294967295, not \"" +
                         std::string(text) + "\"");
    }
    return value;
}

std::string_view selectionOptionName(int combo) {
    for (const auto& entry : kSelectionOptions) {
        if (entry.combo == combo) return entry.option;
    }
    return {};
}

int selectionOptionIndex(std::string_view option) {
    for (const auto& entry : kSelectionOptions) {
        if (entry.option == option) return entry.combo;
    }
    return -1;
}

void applySelection(PanelSelections& selections, int combo, std::string_view value) {
    if (selections.selectByPrefix(combo, value)) return;
    int named = englishNameIndex(combo, value);
    if (named >= 0) {
        selections.setSelectedIndex(combo, named);
        return;
    }
    throw UsageError(std::string(selectionOptionName(combo)) + " \"" + std::string(value) +
                     "\" selects nothing; the entries are: " + selectionChoices(combo));
}

void applyViewSize(const ViewSize& view) {
    setViewGeometry(view.width, view.height);
}

void startCommand(const ViewSize& view) {
    resetProcessState();
    setBodyProjection(&plotBody);
    if (!createBodyTable()) throw IoError("not enough memory for the body table");
    applyViewSize(view);
}

std::uint32_t currentTimeSeed() {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(seconds.count());
}

}  // namespace corvane::cli
