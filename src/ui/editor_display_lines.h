// The lines of a text editor as it lays them out on the screen, the form in
// which the composer's body becomes message lines.
#pragma once

#include <string>
#include <vector>

class QPlainTextEdit;

namespace tarvox {

// One string per display line, UTF-8: a line that ends a paragraph ends in
// CR LF, a line the editor wrapped has none, and so has the last line.
std::vector<std::string> EditorDisplayLines(const QPlainTextEdit& editor);

}  // namespace tarvox
