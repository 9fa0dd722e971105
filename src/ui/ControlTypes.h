// The small value types of controls and forms: cursors, alignment, borders, scroll bars, list
// and panel styles, the place a form is shown at. Shared by the components and by the peers,
// which see no component class.
#pragma once

namespace ui {

enum class TCursor : int {
    crDefault = 0,
    crArrow = -2,
    crIBeam = -4,
    crHourGlass = -11,
    crHandPoint = -21,
};

// Where a control sits in its parent: fixed bounds, or stacked along an edge, or the rest.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
// Frame of a control (bsNone, bsSingle) or of a form (all of them).
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TComboBoxStyle { csDropDown, csDropDownList };
enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

enum class TPosition {
    poDesigned,
    poDefault,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter,
};

using TBorderIcons = unsigned;
inline constexpr TBorderIcons biSystemMenu = 0x1;
inline constexpr TBorderIcons biMinimize = 0x2;
inline constexpr TBorderIcons biMaximize = 0x4;
inline constexpr TBorderIcons biHelp = 0x8;

} // namespace ui
