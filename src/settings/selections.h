#pragma once
// The nine selections of the control panel, seen through a small interface:
// the Qt panel's combo boxes implement it in the program, SelectionModel in
// the tests and the command-line companion.

#include <array>
#include <string>
#include <string_view>

#include "settings/panel_data.h"

namespace corvane {

class PanelSelections {
  public:
    virtual ~PanelSelections() = default;
    // The text of the selected entry of selection `combo` (UTF-8), or "" when
    // nothing is selected.
    virtual std::string selectedText(int combo) const = 0;
    virtual int selectedIndex(int combo) const = 0;
    virtual void setSelectedIndex(int combo, int index) = 0;

    // Selects the first entry, searching from the top, whose text begins with
    // `prefix` (ASCII letters compared without regard to case). An empty
    // prefix or no match keeps the selection. Returns whether one matched.
    bool selectByPrefix(int combo, std::string_view prefixUtf8);
};

// Whether `entry` begins with `prefix`, both UTF-8, compared by decoded
// characters with only A-Z and a-z folded. Invalid UTF-8 in the prefix
// matches nothing.
bool beginsWithFolded(std::string_view entryUtf8, std::string_view prefixUtf8);

// The entry list of selection `combo`.
EntryList comboEntries(int combo);

// In-memory selections: each one's list from the panel tables plus the
// selected index, starting at the defaults.
class SelectionModel final : public PanelSelections {
  public:
    SelectionModel() { resetToDefaults(); }
    void resetToDefaults();
    std::string selectedText(int combo) const override;
    int selectedIndex(int combo) const override { return selected_.at(combo); }
    void setSelectedIndex(int combo, int index) override;

  private:
    std::array<int, kComboCount> selected_{};
};

// The nine selection texts (UTF-8), in scene order.
using SelectionTexts = std::array<std::string, kComboCount>;

// The selected text of every selection.
SelectionTexts selectedTexts(const PanelSelections& selections);

}  // namespace corvane
