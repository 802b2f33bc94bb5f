#include "app/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

namespace {

constexpr char kFusion[] = "Fusion";

// The style and palette the program started with.
struct StartingLook {
    QString style;
    QPalette palette; // resolves nothing when the program set none: the style's and desktop's palette then
};

const StartingLook& startingLook() {
    static const StartingLook look{QApplication::style() ? QApplication::style()->name() : QString(),
                                   QCoreApplication::testAttribute(Qt::AA_SetPalette) ? QApplication::palette()
                                                                                      : QPalette()};
    return look;
}

QPalette lightPalette() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QLatin1String(kFusion)));
    return fusion ? fusion->standardPalette() : QPalette(Qt::lightGray);
}

QPalette darkPalette() {
    const QColor window(53, 53, 53);
    const QColor base(35, 35, 35);
    const QColor text(230, 230, 230);
    const QColor disabledText(127, 127, 127);
    const QColor highlight(42, 130, 218);
    QPalette palette(text, window, window.lighter(150), window.darker(200), window.darker(150), text, Qt::white, base,
                     window);
    palette.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    palette.setColor(QPalette::ToolTipBase, QColor(25, 25, 25));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, highlight.lighter(130));
    palette.setColor(QPalette::LinkVisited, QColor(170, 130, 230));
    palette.setColor(QPalette::BrightText, QColor(255, 90, 90));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(80, 80, 80));
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, disabledText);
    return palette;
}

// Setting the style again would polish every widget anew: only a different one is set.
void useStyle(const QString& name) {
    if (!name.isEmpty() && QApplication::style()->name().compare(name, Qt::CaseInsensitive) != 0)
        QApplication::setStyle(name);
}

} // namespace

namespace theme {

void apply(Theme theme) {
    const StartingLook& start = startingLook();
    switch (theme) {
    case Theme::System:
        useStyle(start.style);
        QApplication::setPalette(start.palette);
        break;
    case Theme::Light:
        useStyle(QLatin1String(kFusion));
        QApplication::setPalette(lightPalette());
        break;
    case Theme::Dark:
        useStyle(QLatin1String(kFusion));
        QApplication::setPalette(darkPalette());
        break;
    }
}

} // namespace theme
