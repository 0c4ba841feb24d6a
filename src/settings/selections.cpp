#include "settings/selections.h"

#include <optional>
#include <vector>

namespace corvane {

namespace {

// Decodes UTF-8 into code points; nullopt for malformed input.
std::optional<std::u32string> decodeUtf8(std::string_view s) {
    std::u32string out;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char lead = static_cast<unsigned char>(s[i]);
        int extra = lead < 0x80           ? 0
                    : (lead >> 5) == 0x6  ? 1
                    : (lead >> 4) == 0xE  ? 2
                    : (lead >> 3) == 0x1E ? 3
                                          : -1;
        if (extra < 0 || i + extra >= s.size() + (extra == 0)) return std::nullopt;
        char32_t cp = extra == 0 ? lead : (lead & (0x3F >> extra));
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

char32_t foldAscii(char32_t c) {
    return (c >= U'a' && c <= U'z') ? c - U'a' + U'A' : c;
}

}  // namespace

bool beginsWithFolded(std::string_view entryUtf8, std::string_view prefixUtf8) {
    auto entry = decodeUtf8(entryUtf8);
    auto prefix = decodeUtf8(prefixUtf8);
    if (!entry || !prefix || prefix->size() > entry->size()) return false;
    for (size_t i = 0; i < prefix->size(); ++i) {
        if (foldAscii((*entry)[i]) != foldAscii((*prefix)[i])) return false;
    }
    return true;
}

EntryList comboEntries(int combo) {
    return kCombos.at(combo).entries;
}

bool PanelSelections::selectByPrefix(int combo, std::string_view prefixUtf8) {
    if (prefixUtf8.empty()) return false;
    EntryList entries = comboEntries(combo);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (beginsWithFolded(entries[i], prefixUtf8)) {
            setSelectedIndex(combo, static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void SelectionModel::resetToDefaults() {
    for (int k = 0; k < kComboCount; ++k) selected_[k] = kCombos[k].defaultIndex;
}

std::string SelectionModel::selectedText(int combo) const {
    int index = selected_.at(combo);
    EntryList entries = comboEntries(combo);
    if (index < 0 || index >= static_cast<int>(entries.size())) return {};
    return std::string(entries[index]);
}

void SelectionModel::setSelectedIndex(int combo, int index) {
    int size = static_cast<int>(comboEntries(combo).size());
    selected_.at(combo) = (index >= 0 && index < size) ? index : -1;
}

SelectionTexts selectedTexts(const PanelSelections& selections) {
    SelectionTexts texts;
    for (int k = 0; k < kComboCount; ++k) texts[k] = selections.selectedText(k);
    return texts;
}

}  // namespace corvane
