#include "widgets/Advspin.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

// An optional sign, then one or more of the digits 0-9, within 32 bits. Nothing else is a number.
std::optional<int> parseDecimal(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > qint64(INT_MAX) + 1)
            return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value > INT_MAX)
        return std::nullopt;
    return int(value);
}

// The separator of a date or time format: its first character that is neither a pattern letter, a blank nor
// quoted text ("dd.MM.yyyy" gives '.', "HH:mm" gives ':').
QChar formatSeparator(const QString& format) {
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetter() && !c.isSpace())
            return c;
    }
    return {};
}

QChar singleChar(const QString& s) {
    return s.size() == 1 ? s.front() : QChar();
}

bool isControlChar(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

} // namespace

// ---- TAdvTimerSpeedButton ----

TAdvTimerSpeedButton::TAdvTimerSpeedButton(Qt::ArrowType arrow, QWidget* parent) : QToolButton(parent) {
    setArrowType(arrow);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setAutoRepeat(true);
    setAutoRepeatDelay(kRepeatDelay);
    setAutoRepeatInterval(kRepeatInterval);
}

// ---- TAdvSpinButton ----

TAdvSpinButton::TAdvSpinButton(TAdvSpinEdit* edit)
    : QWidget(edit), focusControl_(edit), upButton_(new TAdvTimerSpeedButton(Qt::UpArrow, this)),
      downButton_(new TAdvTimerSpeedButton(Qt::DownArrow, this)) {
    setCursor(Qt::ArrowCursor); // not the edit's text cursor
    upButton_->installEventFilter(this);
    downButton_->installEventFilter(this);
}

void TAdvSpinButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int upHeight = height() / 2;
    upButton_->setGeometry(0, 0, width(), upHeight);
    downButton_->setGeometry(0, upHeight, width(), height() - upHeight);
}

bool TAdvSpinButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        focusControl_->isEnabled() && focusControl_->focusPolicy() != Qt::NoFocus && !focusControl_->hasFocus())
        focusControl_->setFocus(Qt::MouseFocusReason);
    return QWidget::eventFilter(watched, event);
}

// ---- TAdvSpinEdit ----

TAdvSpinEdit::TAdvSpinEdit(QWidget* parent) : QLineEdit(QStringLiteral("0"), parent) {
    button_ = new TAdvSpinButton(this);
    setTextMargins(0, 0, TAdvSpinButton::kButtonWidth, 0);
    connect(button_->upButton(), &QAbstractButton::clicked, this, &TAdvSpinEdit::UpClick);
    connect(button_->downButton(), &QAbstractButton::clicked, this, &TAdvSpinEdit::DownClick);
    connect(this, &QLineEdit::textChanged, this, &TAdvSpinEdit::OnChange);
    placeButtons();
}

int TAdvSpinEdit::GetValue() const {
    return parseDecimal(text()).value_or(minValue_);
}

int TAdvSpinEdit::CheckValue(int v) const {
    if (minValue_ != maxValue_) {
        if (v < minValue_)
            return minValue_;
        if (v > maxValue_)
            return maxValue_;
    }
    return v;
}

void TAdvSpinEdit::SetValue(int v) {
    setText(QString::number(CheckValue(v)));
}

void TAdvSpinEdit::UpClick() {
    step(increment_);
}

void TAdvSpinEdit::DownClick() {
    step(-qint64(increment_));
}

void TAdvSpinEdit::step(qint64 delta) {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    const int cursor = cursorPosition();
    const int selStart = selectionStart();
    const int selLength = selectionLength();
    SetValue(int(std::clamp<qint64>(qint64(GetValue()) + delta, INT_MIN, INT_MAX)));

    // setText() put the caret at the end; put caret and selection back where they were.
    const int length = int(text().size());
    if (selLength > 0) {
        const int start = std::min(selStart, length);
        const int end = std::min(selStart + selLength, length);
        if (cursor == selStart)
            setSelection(end, start - end); // caret at the start of the selection
        else
            setSelection(start, end - start);
    } else {
        setCursorPosition(std::min(cursor, length));
    }
}

void TAdvSpinEdit::applyBounds() {
    if (untouched())
        return;
    const std::optional<int> value = parseDecimal(text());
    if (value && CheckValue(*value) != *value)
        setText(QString::number(CheckValue(*value)));
}

bool TAdvSpinEdit::IsValidChar(QChar c) const {
    if (!editorEnabled_)
        return isControlChar(c) && c != u'\b';
    if (isControlChar(c))
        return c != u'\r' && c != u'\n';
    if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-')
        return true;
    const QLocale locale;
    if (c != singleChar(locale.decimalPoint()) && c != singleChar(locale.groupSeparator()))
        return false;
    return c != formatSeparator(locale.dateFormat(QLocale::ShortFormat)) &&
           c != formatSeparator(locale.timeFormat(QLocale::ShortFormat));
}

void TAdvSpinEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        UpClick();
        event->accept();
        return;
    case Qt::Key_Down:
        DownClick();
        event->accept();
        return;
    case Qt::Key_PageUp:
        step(incrementPage_);
        event->accept();
        return;
    case Qt::Key_PageDown:
        step(-qint64(incrementPage_));
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (returnIsTab_) {
            focusNextPrevChild(true);
            event->accept();
            return;
        }
        // The key goes on to the dialog's default button, which reads the field: bound it first.
        applyBounds();
        QLineEdit::keyPressEvent(event);
        return;
    case Qt::Key_Delete:
        if (!editorEnabled_) {
            event->accept();
            return;
        }
        break;
    case Qt::Key_Backspace:
        if (!IsValidChar(u'\b')) {
            QApplication::beep();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }

    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        if (clipboardEditAllowed())
            QLineEdit::keyPressEvent(event);
        else
            event->accept();
        return;
    }
    if (!editorEnabled_ &&
        (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
         event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfWord) ||
         event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine))) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (std::any_of(typed.begin(), typed.end(), [this](QChar c) { return !IsValidChar(c); })) {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TAdvSpinEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString typed = event->commitString();
    if (std::any_of(typed.begin(), typed.end(), [this](QChar c) { return !IsValidChar(c); })) {
        QApplication::beep();
        event->setCommitString(QString());
    }
    QLineEdit::inputMethodEvent(event);
}

void TAdvSpinEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    // Entering with the keyboard selects the whole text, so typing replaces it; this includes the first field of a
    // dialog that has just opened (the focus then comes with its window).
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason ||
        reason == Qt::ActiveWindowFocusReason)
        selectAll();
}

void TAdvSpinEdit::focusOutEvent(QFocusEvent* event) {
    // A context menu or another window taking the focus is not leaving the field.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        applyBounds();
    QLineEdit::focusOutEvent(event);
}

void TAdvSpinEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    placeButtons();
}

void TAdvSpinEdit::placeButtons() {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this) : 0;
    button_->setGeometry(width() - frame - TAdvSpinButton::kButtonWidth, frame, TAdvSpinButton::kButtonWidth,
                         height() - 2 * frame);
}

QSize TAdvSpinEdit::minimumSizeHint() const {
    QSize size = QLineEdit::minimumSizeHint();
    size.setHeight(std::max(size.height(), 18)); // room for two arrow buttons
    return size;
}

void TAdvSpinEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && !clipboardEditAllowed()) { // X11 selection paste
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TAdvSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        // The standard entries carry no names: tell them by their (translated) texts, as QLineEdit builds them.
        const QString label = action->text().section(u'\t', 0, 0);
        const auto is = [&label](const char* text) {
            return label == QCoreApplication::translate("QLineEdit", text);
        };
        if ((!clipboardEditAllowed() && (is("Cu&t") || is("&Paste"))) ||
            (!editorEnabled_ && (is("Delete") || is("&Undo") || is("&Redo"))))
            action->setEnabled(false);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TAdvSpinEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (clipboardEditAllowed())
        QLineEdit::dragEnterEvent(event);
    else
        event->ignore();
}

void TAdvSpinEdit::dropEvent(QDropEvent* event) {
    if (clipboardEditAllowed())
        QLineEdit::dropEvent(event);
    else
        event->ignore();
}
