#include "ui/text_printer.h"

#include <QFont>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr double kMarginInches = 0.75;
constexpr int kFontPoints = 10;

QFont PrintFont() {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(kFontPoints);
    return font;
}

}  // namespace

int PrintTextOn(QPrinter& printer, const QString& title, std::string_view text) {
    printer.setDocName(title);
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return 0;
    }
    painter.setFont(PrintFont());
    painter.setBackgroundMode(Qt::TransparentMode);

    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double margin_x = kMarginInches * printer.logicalDpiX();
    const double margin_y = kMarginInches * printer.logicalDpiY();
    const QRectF page = paper.adjusted(margin_x, margin_y, -margin_x, -margin_y);
    const int flags = Qt::TextWordWrap | Qt::TextExpandTabs;

    // Every line ends at its CR LF; the text gets one more so that a last
    // line without one is printed too.
    QString all = ToQString(text);
    all += "\r\n";
    int pages = 1;
    double top = page.top();
    qsizetype start = 0;
    for (qsizetype end = all.indexOf("\r\n", start); end >= 0;
         start = end + 2, end = all.indexOf("\r\n", start)) {
        QString line = all.mid(start, end - start);
        if (line.isEmpty()) {
            line = " ";
        }
        const QRectF needed = painter.boundingRect(
            QRectF(page.left(), top, page.width(), page.height()), flags, line);
        if (top + needed.height() > page.bottom() && top > page.top()) {
            printer.newPage();
            ++pages;
            top = page.top();
        }
        painter.drawText(QRectF(page.left(), top, page.width(), page.bottom() - top), flags, line);
        top += needed.height();
    }
    painter.end();
    return pages;
}

void PrintText(QWidget* owner, const QString& title, std::string_view text) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, owner);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    PrintTextOn(printer, title, text);
}

}  // namespace tarvox
