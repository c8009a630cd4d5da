// Printing a setup's text form: one printed line per line of text, in a fixed-pitch font, on the
// default printer through Qt Print Support. $CORVANE_PRINT_TO=<file.pdf> prints into that PDF file
// instead (for scripts and tests, and on machines without a printer).
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace setup {

// Name of the default printer; empty when none is installed (and no PDF file is named).
std::string default_printer_name();
// Prints the 8-bit (Latin-1) lines as one job; false when there is no printer or the job failed.
bool print_text_lines(const std::vector<std::string>& lines, const QString& job_name);

}  // namespace setup
