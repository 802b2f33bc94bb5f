#include "app/Help.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <array>
#include <utility>

// The manual is a resource of this static library: registered before its first use.
static void registerManual() {
    Q_INIT_RESOURCE(help);
}

namespace help {

namespace {

// The manual's section about each page of the window, by the page's objectName.
constexpr std::array<std::pair<const char*, const char*>, 14> kPageSections{{
    {"GeneralSheet", "general-rules"},
    {"Cache", "cache"},
    {"CacheRulers", "cache-rulers"},
    {"Users", "permissions"},
    {"GroupSheet", "permissions-group"},
    {"CacheBlockingSheet", "permissions-cache-blocking"},
    {"TrafficSheet", "permissions-traffic"},
    {"PortsSheet", "permissions-ports"},
    {"TimeAuthSheet", "permissions-access"},
    {"Logs", "logs"},
    {"Advanced", "advanced"},
    {"StandardServiceSheet", "advanced-standart-service"},
    {"ManualServiceSheet", "advanced-manual-service"},
    {"Statistic", "statistic"},
}};

QString sectionOfPageNamed(const QString& name) {
    for (const auto& [page, section] : kPageSections)
        if (name == QLatin1String(page))
            return QLatin1String(section);
    return {};
}

// A heading's anchor as Markdown renderers make it: lower case, letters, digits, '-' and '_' kept, blanks become
// '-', everything else goes.
QString anchorOf(const QString& heading) {
    static const QRegularExpression dropped(QStringLiteral("[^\\w\\- ]"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    return heading.trimmed().toLower().remove(dropped).replace(u' ', u'-');
}

QString manualText() {
    registerManual();
    QFile manual(QStringLiteral(":/help/manual.md"));
    return manual.open(QIODevice::ReadOnly) ? QString::fromUtf8(manual.readAll()) : QString();
}

// The licence the program is given under, as its sources state it.
const char* const kLicence = QT_TRANSLATE_NOOP("help", "No licence is stated in the program's sources; ask the GLYM "
                                                       "configurator developers about the terms of its use.");

} // namespace

QString sectionOfPage(const QTabWidget* pages) {
    QString section;
    for (const QTabWidget* level = pages; level && level->currentWidget();) {
        const QWidget* page = level->currentWidget();
        const QString found = sectionOfPageNamed(page->objectName());
        if (found.isEmpty())
            break;
        section = found;
        level = page->findChild<QTabWidget*>();
    }
    return section;
}

void anchorHeadings(QTextDocument& document) {
    QStringList used;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.text().trimmed().isEmpty())
            continue;
        QString anchor = anchorOf(block.text());
        // A heading repeated gets the number of its repetition, as on the usual renderers.
        if (const qsizetype before = used.count(anchor); before > 0)
            anchor += u'-' + QString::number(before);
        used << anchorOf(block.text());
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorNames({anchor});
        cursor.mergeCharFormat(format);
    }
}

ManualWindow::ManualWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("UserManual"));
    setWindowTitle(QStringLiteral("GLYM configurator - User Manual"));
    browser_->setObjectName(QStringLiteral("UserManualText"));
    browser_->setOpenExternalLinks(true);
    browser_->setMarkdown(manualText());
    anchorHeadings(*browser_->document());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    resize(720, 560);
}

void ManualWindow::showSection(const QString& anchor) {
    show();
    raise();
    activateWindow();
    if (anchor.isEmpty())
        browser_->moveCursor(QTextCursor::Start);
    else
        browser_->scrollToAnchor(anchor);
}

QString aboutText() {
    return QCoreApplication::translate("help", "<p><b>GLYM configurator</b> %1</p>"
                                               "<p>Views and edits the files of the GLYM caching HTTP proxy server.</p>"
                                               "<p>Copyright: the GLYM configurator developers.<br>Licence: %2</p>"
                                               "<p>Qt %3 (built with Qt %4)</p>")
        .arg(QStringLiteral(GLYM_VERSION), QCoreApplication::translate("help", kLicence),
             QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
}

void showAbout(QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("About GLYM configurator"), aboutText(), QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setIconPixmap(parent->windowIcon().pixmap(64, 64));
    box.exec();
}

} // namespace help
