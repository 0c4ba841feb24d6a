#include "cli_options.h"

#include <array>
#include <charconv>
#include <chrono>
#include <iostream>

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

std::uint32_t parseWholeNumber(std::string_view option, std::string_view text, std::uint32_t low,
                               std::uint32_t high) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    bool digitsOnly = !text.empty() && text.front() >= '0' && text.front() <= '9';
    if (!digitsOnly || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        throw UsageError(std::string(option) + " expects a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high) + ", not \"" +
                         std::string(text) + "\"");
    }
    return value;
}

bool Arguments::done() {
    if (joined_) throw UsageError(option_ + " takes no value, not \"" + *joined_ + "\"");
    return next_ >= args_.size();
}

std::string_view Arguments::next() {
    const std::string& argument = args_[next_++];
    const std::size_t equals = argument.find('=');
    if (!argument.starts_with("--") || equals == std::string::npos) {
        option_ = argument;
        return argument;
    }
    option_ = argument.substr(0, equals);
    joined_ = argument.substr(equals + 1);
    return option_;
}

std::string_view Arguments::valueOf(std::string_view option) {
    if (joined_) {
        value_ = std::move(*joined_);
        joined_.reset();
        return value_;
    }
    if (next_ >= args_.size()) throw UsageError(std::string(option) + " needs a value");
    return args_[next_++];
}

std::string Arguments::outputOf(std::string_view option) {
    std::string value(valueOf(option));
    if (value == "-") {
        throw UsageError(std::string(option) +
                         " expects a file name; corvane-cli writes no file to standard "
                         "output (\"-\")");
    }
    return value;
}

void Arguments::takeInput(std::string_view argument, std::string& input) const {
    if (argument.starts_with("-") && argument.size() > 1) {
        throw UsageError("unknown option " + std::string(argument) + " for " + command_);
    }
    if (!input.empty()) throw UsageError("unexpected argument " + std::string(argument));
    input = argument;
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

std::string applySelection(PanelSelections& selections, int combo, std::string_view value) {
    if (!selections.selectByPrefix(combo, value)) {
        int named = englishNameIndex(combo, value);
        if (named < 0) {
            throw UsageError(std::string(selectionOptionName(combo)) + " \"" + std::string(value) +
                             "\" selects nothing; the entries are: " + selectionChoices(combo));
        }
        selections.setSelectedIndex(combo, named);
        return {};
    }
    const int index = selections.selectedIndex(combo);
    const std::string_view entry = comboEntries(combo)[index];
    if (equalsFolded(entry, value)) return {};
    std::string line = std::string(selectionOptionName(combo)) + " " + std::string(value) +
                       " chose " + std::string(entry);
    if (combo == kComboMassMode) line += " (" + std::string(kMassModeNames.at(index)) + ")";
    if (combo == kComboLayout) line += " (" + std::string(kLayoutNames.at(index)) + ")";
    return line;
}

void sayNote(const std::string& line) {
    if (!line.empty()) std::cerr << "corvane-cli: " << line << "\n";
}

CommandState::CommandState(const ViewSize& size) : surface(size.width, size.height) {
    if (!simulation.table.exists()) throw IoError("not enough memory for the body table");
    setViewGeometry(view, size.width, size.height);
    view.surface = &surface;
}

std::uint32_t currentTimeSeed() {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(seconds.count());
}

}  // namespace corvane::cli
