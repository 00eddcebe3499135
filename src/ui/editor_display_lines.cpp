#include "ui/editor_display_lines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include "ui/qt_text.h"

namespace tarvox {

std::vector<std::string> EditorDisplayLines(const QPlainTextEdit& editor) {
    std::vector<std::string> lines;
    const QTextDocument* document = editor.document();
    const auto* layouts = qobject_cast<QPlainTextDocumentLayout*>(document->documentLayout());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (layouts != nullptr) {
            layouts->ensureBlockLayout(block);
        }
        const QString text = block.text();
        const QTextLayout* layout = block.layout();
        const bool last_block = !block.next().isValid();
        // A block without a layout is one line.
        const int count = layout != nullptr ? layout->lineCount() : 0;
        if (count == 0) {
            lines.push_back(FromQString(text) + (last_block ? "" : "\r\n"));
            continue;
        }
        for (int i = 0; i < count; ++i) {
            const QTextLine line = layout->lineAt(i);
            std::string shown = FromQString(text.mid(line.textStart(), line.textLength()));
            if (i + 1 == count && !last_block) {
                shown += "\r\n";
            }
            lines.push_back(std::move(shown));
        }
    }
    if (lines.size() == 1 && lines.front().empty()) {
        lines.clear();  // an empty editor has no lines
    }
    return lines;
}

}  // namespace tarvox
