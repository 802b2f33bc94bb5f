#pragma once

#include <QDialog>
#include <QString>

class QTabWidget;
class QTextBrowser;
class QTextDocument;

// The user manual (docs/manual.md, compiled into the program) and the About box.
namespace help {

// The anchor of the manual's section about the page that pages shows: for a page with pages of its own (the
// permissions, the port mapping), the section of its page shown when the manual has one. Empty for a page the
// manual has no section about.
QString sectionOfPage(const QTabWidget* pages);

// Gives every heading of document the anchor a Markdown renderer gives it ("## Cache Rulers" is "cache-rulers"),
// so that the links of the manual and sectionOfPage find their sections.
void anchorHeadings(QTextDocument& document);

// The manual in a window of its own, left open beside the main window while the user works.
class ManualWindow : public QDialog {
    Q_OBJECT

public:
    explicit ManualWindow(QWidget* parent);

    // Shows the window, raised, with the section of anchor at its top (the start for an empty anchor).
    void showSection(const QString& anchor);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

// The program's name and version (as --version says it), its licence and the version of Qt it runs on.
QString aboutText();
void showAbout(QWidget* parent);

} // namespace help
