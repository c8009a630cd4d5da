// The pictures of the channel grid, drawn by the program itself: one transducer picture per
// picture number (0 digital I/O, 1 full bridge, 2 half bridge, 3 DC voltage, 4 DC current,
// 5 resistor, 6..9 thermocouples J K T S, 10..12 PT100 PT500 PT1000, 13 frequency, 14 frequency
// and direction, 15 two phases single, 16 two phases quad, 17 quarter bridge, 18..20 thermocouples
// B E R), the mark picture, the set and not-set pictures, and the toolbar's pictures.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace setup {

QPixmap transducer_pixmap(int picture);
QPixmap mark_pixmap();
QPixmap set_pixmap();
QPixmap not_set_pixmap();
// Toolbar pictures: "BLoad", "BSave", "BPrint", "BHelp"; and the window icon.
QIcon toolbar_icon(const char* key);
QIcon program_icon();

}  // namespace setup
