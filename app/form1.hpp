// The one window of the program, described once as plain data.
//
// Both front ends (app/qt, app/win32) build Form1 from these tables and repeat
// none of its texts or numbers. Positions and sizes are in twips (1440 per
// inch), relative to the top left corner of the client area.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace rinomina::form1 {

enum class ControlKind { kListBox, kTextBox, kLabel, kPushButton };

// The label font: face, size in ten-thousandths of a point, weight, charset.
struct FontDescription {
  std::u16string_view face;
  int tenThousandthsOfPoint;
  int weight;
  int charset;
};

inline constexpr FontDescription kLabelFont{u"MS Sans Serif", 97500, 400, 0};

struct ControlDescription {
  std::string_view name;
  ControlKind kind;
  std::u16string_view initialText;  // a NUL-terminated literal
  int left;
  int top;
  int width;
  int height;
  int tabIndex;
  bool usesLabelFont;  // otherwise the window's default font
};

inline constexpr std::u16string_view kTitle = u"Form1";
inline constexpr int kClientWidth = 6720;
inline constexpr int kClientHeight = 3045;

// In tab-index order. List1 is never filled, read or focused; the labels
// never take the focus.
inline constexpr std::array<ControlDescription, 7> kControls{{
    {"List1", ControlKind::kListBox, u"", 4680, 2640, 855, 645, 0, false},
    {"Text1", ControlKind::kTextBox, u"", 4320, 1320, 1695, 375, 1, false},
    {"Label1", ControlKind::kLabel, u"Inserire il testo da sostituire", 120, 1320, 3255, 255, 2,
     true},
    {"Text2", ControlKind::kTextBox, u"", 4320, 1800, 1695, 375, 3, false},
    {"Label2", ControlKind::kLabel, u"Inserire il testo nuovo", 120, 1800, 3375, 255, 4, true},
    {"Command1", ControlKind::kPushButton, u"Esegui", 1320, 2280, 1695, 375, 5, false},
    {"Label3", ControlKind::kLabel, u" ", 120, 0, 6375, 735, 6, true},
}};

// What the load step puts into Label3: two lines joined by "\r\n".
inline constexpr std::u16string_view kDescriptionLine1 =
    u"Ricopia tutti i files della cartella 'Originali' nella cartella 'Modificati'";
inline constexpr std::u16string_view kDescriptionLine2 =
    u"Modifica il nome dei file ricopiati sostituendo il testo indicato nella prima casella con "
    u"quello indicato nella seconda casella.";
inline constexpr std::u16string_view kLineBreak = u"\r\n";

// The control named `name`; the name must be one of kControls.
constexpr const ControlDescription& Control(std::string_view name) {
  for (const ControlDescription& control : kControls) {
    if (control.name == name) return control;
  }
  throw "unknown control";  // a compile-time error in constant expressions
}

// The report of a failed pass: its title, and the text for a failure that
// is not one of the pass's own (those carry their own message).
inline constexpr std::u16string_view kFailureTitle = u"Errore";
inline constexpr std::u16string_view kUnexpectedFailure =
    u"Errore imprevisto durante la copia dei file.";

// The title while a pass runs: "Form1 - 37%" for `percent` 37; plain "Form1"
// while the share is unknown (negative), as before the press.
inline std::u16string ProgressTitle(int percent) {
  std::u16string title(kTitle);
  if (percent < 0) return title;
  title += u" - ";
  for (char digit : std::to_string(percent)) title += static_cast<char16_t>(digit);
  return title + u'%';
}

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel:
// 15 twips per pixel at 96 dpi.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

}  // namespace rinomina::form1
