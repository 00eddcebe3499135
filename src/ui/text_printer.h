// Printing a plain text (the program's CR LF text) on a printer the user
// picks: 0.75-inch margins, a Courier-like fixed font of 10 points, lines
// wrapped at words with tabs expanded, an empty line at full height, and a
// new page whenever the next line does not fit. No header, footer or page
// number.
#pragma once

#include <QString>

#include <string_view>

class QPrinter;
class QWidget;

namespace tarvox {

// Shows the print dialog (no selection or page range choice); cancelling it
// ends the routine without a message.
void PrintText(QWidget* owner, const QString& title, std::string_view text);

// Prints on a printer already set up (also a PDF file). Returns the number of
// pages started, 0 when the printer could not be painted on.
int PrintTextOn(QPrinter& printer, const QString& title, std::string_view text);

}  // namespace tarvox
