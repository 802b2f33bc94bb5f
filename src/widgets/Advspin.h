#pragma once

#include <QLineEdit>
#include <QToolButton>

#include <optional>

class TAdvSpinEdit;

// One of the two arrow buttons of a spin edit. It repeats its click while it is held down with the pointer on it:
// the first repeat 400 ms after the press, then every 100 ms; releasing over the button clicks once more.
class TAdvTimerSpeedButton : public QToolButton {
    Q_OBJECT
public:
    TAdvTimerSpeedButton(Qt::ArrowType arrow, QWidget* parent);

    static constexpr int kRepeatDelay = 400;
    static constexpr int kRepeatInterval = 100;
};

// The pair of buttons (up above down) at the right edge of a spin edit, 15 pixels wide. It hands its clicks to
// the edit's UpClick and DownClick and focuses the edit when a button is pressed with the left mouse button.
class TAdvSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TAdvSpinButton(TAdvSpinEdit* edit);

    static constexpr int kButtonWidth = 15;

    TAdvTimerSpeedButton* upButton() const { return upButton_; }
    TAdvTimerSpeedButton* downButton() const { return downButton_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TAdvSpinEdit* focusControl_;
    TAdvTimerSpeedButton* upButton_;
    TAdvTimerSpeedButton* downButton_;
};

// The whole-number entry field of the rule editor dialogs: a single-line edit with up/down buttons at its right
// edge, bounds, a step and a page step.
//
// The text is the state; Value is computed from it on demand. The text is read as a decimal integer: an optional
// "+" or "-" followed by the digits 0-9 only, fitting in 32 bits. Blanks, hexadecimal forms and separators make it
// "not a number", which reads as MinValue. (The file-format reader parseInt32 also takes leading blanks and "$"/"0x"
// hexadecimal, which the field must not, so it is not used here.)
//
// MinValue == MaxValue means "no bound". Steps are computed in 64 bits and then kept within 32 bits, so stepping
// up from 2147483647 (or down from -2147483648) keeps that value. Typing is filtered (IsValidChar), but text that is
// pasted is not, so a field may hold text that is not a number: read it with GetValue() after applyBounds().
//
// In Designer, promote a QLineEdit to TAdvSpinEdit (header "widgets/Advspin.h") and set the members as dynamic
// properties; uic turns them into setProperty() calls that reach the setters below:
//
//     <widget class="TAdvSpinEdit" name="LPort">
//      <property name="text"><string>25</string></property>
//      <property name="MinValue" stdset="0"><number>1</number></property>
//      <property name="MaxValue" stdset="0"><number>65535</number></property>
//     </widget>
//
// Give the start value as "text" (or set "Value" after the bounds: SetValue brings its argument into the bounds
// that are in force at that moment, the defaults 0..100 until MinValue/MaxValue are set).
//
// Dialogs call applyBounds() before reading the field. Leaving the field does the same, and so does Enter before it
// passes the key on to the dialog's default button, so a value confirmed with Enter cannot escape the bounds.
//
// A dialog that shows a value as a file holds it (a port of 70000 written by hand) marks it with keepShownText():
// while the field still holds that text, the user has not edited it, and applyBounds() leaves it as it is.
class TAdvSpinEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int Value READ GetValue WRITE SetValue NOTIFY OnChange)
    Q_PROPERTY(int MinValue READ minValue WRITE setMinValue)
    Q_PROPERTY(int MaxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(int Increment READ increment WRITE setIncrement)
    Q_PROPERTY(int IncrementPage READ incrementPage WRITE setIncrementPage)
    Q_PROPERTY(bool EditorEnabled READ editorEnabled WRITE setEditorEnabled)
    Q_PROPERTY(bool ReturnIsTab READ returnIsTab WRITE setReturnIsTab)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)

public:
    explicit TAdvSpinEdit(QWidget* parent = nullptr);

    // The text as a decimal integer; MinValue when the text is not one.
    int GetValue() const;
    // v brought into [MinValue, MaxValue]; v itself when MinValue == MaxValue.
    int CheckValue(int v) const;
    // The text becomes the decimal form of CheckValue(v).
    void SetValue(int v);
    // Whether a typed character is accepted (see keyPressEvent for the keys that are not characters).
    bool IsValidChar(QChar c) const;
    // What leaving the field does: a number outside the bounds becomes the nearer bound; other text stays. A field
    // that still holds the text marked by keepShownText() stays as it is.
    void applyBounds();
    // Marks the text now shown as the value read, which the user has not edited yet.
    void keepShownText() { shownText_ = text(); }
    // Whether the field still holds the text marked by keepShownText() (false when none was marked).
    bool untouched() const { return shownText_ && *shownText_ == text(); }

    int minValue() const { return minValue_; }
    void setMinValue(int v) { minValue_ = v; }
    int maxValue() const { return maxValue_; }
    void setMaxValue(int v) { maxValue_ = v; }
    int increment() const { return increment_; }
    void setIncrement(int v) { increment_ = v; }
    int incrementPage() const { return incrementPage_; }
    void setIncrementPage(int v) { incrementPage_ = v; }
    bool editorEnabled() const { return editorEnabled_; }
    void setEditorEnabled(bool on) { editorEnabled_ = on; }
    bool returnIsTab() const { return returnIsTab_; }
    void setReturnIsTab(bool on) { returnIsTab_ = on; }

    TAdvSpinButton* spinButton() const { return button_; }

    QSize minimumSizeHint() const override;

public slots:
    // One step of Increment up or down; with ReadOnly set only a beep. Caret and selection stay.
    void UpClick();
    void DownClick();

signals:
    // Every change of the text: typed, pasted, stepped or set from code.
    void OnChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void step(qint64 delta);
    bool clipboardEditAllowed() const { return editorEnabled_ && !isReadOnly(); }
    void placeButtons();

    int minValue_ = 0;
    int maxValue_ = 100;
    int increment_ = 1;
    int incrementPage_ = 10;
    bool editorEnabled_ = true;
    bool returnIsTab_ = false;
    TAdvSpinButton* button_ = nullptr;
    std::optional<QString> shownText_;
};
