#include "settings/panel_data.h"

namespace corvane {

const std::array<std::string_view, 16> kCountList = {"0",    "5",    "10",   "20",  "30",  "50",
                                                     "80",   "100",  "200",  "300", "500", "1000",
                                                     "2000", "3000", "4000", "5000"};

// Ten to the sixteenth is not in the list: "1.0e17" follows "1.0e15".
const std::array<std::string_view, 13> kBlackHoleList = {
    "0",      "1.0e5",  "1.0e6",  "1.0e7",  "1.0e8",  "1.0e9", "1.0e10",
    "1.0e11", "1.0e12", "1.0e13", "1.0e14", "1.0e15", "1.0e17"};

const std::array<std::string_view, 16> kPowerList = {
    "0",     "1",     "10",    "100",    "1000",   "10000",  "1.0e5",  "1.0e6",
    "1.0e7", "1.0e8", "1.0e9", "1.0e10", "1.0e11", "1.0e12", "1.0e13", "1.0e14"};

// No "0": the scale divides every projection.
const std::array<std::string_view, 15> kScaleList = {
    "1",     "10",    "100",    "1000",   "10000",  "1.0e5",  "1.0e6", "1.0e7",
    "1.0e8", "1.0e9", "1.0e10", "1.0e11", "1.0e12", "1.0e13", "1.0e14"};

const std::array<std::string_view, 3> kMassModeList = {"オリジナル", "均等", "ｆ／１"};

const std::array<std::string_view, 4> kLayoutList = {"銀河状", "円盤薄", "円盤厚", "球"};

const std::array<ButtonSpec, 7> kButtons = {{
    {500, "実行", 0, 0, 60, 40},
    {501, "消す", 0, 40, 60, 40},
    {502, "開く", 0, 80, 60, 40},
    {503, "保存", 0, 120, 60, 40},
    {504, "窓替え", 0, 160, 60, 40},
    {505, "ヘルプ", 0, 200, 60, 40},
    {506, "終了", 0, 240, 60, 40},
}};

const std::array<LabelSpec, 11> kFirstLabels = {{
    {600, "実行", 90, 20, 120, 30},
    {601, "個", 220, 20, 120, 30},
    {602, "円盤", 90, 50, 120, 30},
    {603, "個", 220, 50, 120, 30},
    {604, "ハロ", 270, 50, 120, 30},
    {605, "個", 400, 50, 120, 30},
    {606, "ブラックホール", 90, 80, 120, 30},
    {607, "星の質量", 90, 110, 120, 30},
    {608, "スピード", 90, 140, 120, 30},
    {609, "スケール", 90, 170, 120, 30},
    {610, "質量分布", 90, 200, 120, 30},
}};

const std::array<LabelSpec, 6> kSecondLabels = {{
    {600, "Corvane  Ver 9.0", 340, 270, 200, 30},
    {601, "Ｋｇ", 400, 80, 200, 30},
    {602, "Ｋｇ", 400, 110, 200, 30},
    {603, "Ｓｅｃ", 400, 140, 200, 30},
    {604, "m/dot", 400, 170, 200, 30},
    {605, "分布", 270, 20, 200, 30},
}};

const std::array<ComboSpec, kComboCount> kCombos = {{
    {600, 130, 20, 80, 200, kCountList, 4},
    {601, 130, 50, 80, 200, kCountList, 0},
    {602, 310, 50, 80, 200, kCountList, 0},
    {603, 270, 80, 120, 200, kBlackHoleList, 0},
    {604, 270, 110, 120, 200, kPowerList, 6},
    {605, 270, 140, 120, 200, kPowerList, 6},
    {606, 270, 170, 120, 200, kScaleList, 2},
    {607, 270, 200, 120, 200, kMassModeList, 0},
    {608, 310, 20, 80, 200, kLayoutList, 0},
}};

}  // namespace corvane
