#pragma once

#include <QLineEdit>
#include <QList>
#include <QStringList>
#include <QVariant>

class QFrame;
class QListWidget;
class QTimer;
class QToolButton;
class QWidget;
class TCustomComboBoxX;

namespace comboboxx {
class Popup;
class ListBox;
} // namespace comboboxx

// The borderless one-line editor laid over a list row while an entry's text is edited. Enter accepts, Escape
// cancels, and so does losing the focus (to anything but a context menu of its own).
class TCBXInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    TCBXInplaceEdit(TCustomComboBoxX* owner, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TCustomComboBoxX* owner_;
};

// A combo box whose drop-down is a small pop-up window holding the list of entries and a row of six tool buttons
// (Edit, New, Delete, Up, Down, Pin), with which the user also edits the list itself.
//
// The control is an edit field with a drop button at its right edge. Its text and the selection in the list are
// two separate things: the text changes only by typing, by a press on an entry (or Enter on the current one), or
// by accepting an in-place edit, New or Delete; a row reached by hovering or by the arrow keys only moves the
// selection. Opening the pop-up selects the entry that matches the text, and so does closing it while it
// closes on a click (pin up, single selection). The owner reads the text and the selected index (ItemIndex).
//
// Keys in the closed field: F4 or Alt+Down opens the pop-up. In the open pop-up: Enter picks the current entry
// and closes, Escape (or F4, Alt+Up) closes without picking, the arrow and page keys move the selection, F2 edits
// the selected entry in place, Insert adds one, Ctrl+Delete deletes the selection, Ctrl+Up/Ctrl+Down move the
// selected entry, Tab reaches the tool buttons (Space presses them); other typing goes into the text.
//
// The On... signals are raised before the operation of their name; a handler connected directly may clear the
// accept flag to stop it, and OnNewItem/OnModifiedItem handlers may change the text and the object.
//
// In Designer, promote a QLineEdit to TComboBoxX or TFlatComboBoxX (header "widgets/Comboboxx.h") and give the
// properties as dynamic properties:
//
//     <widget class="TFlatComboBoxX" name="day">
//      <property name="Items" stdset="0">
//       <stringlist><string>EveryDay</string><string>Monday</string>...</stringlist>
//      </property>
//      <property name="DropDownCount" stdset="0"><number>7</number></property>
//     </widget>
class TCustomComboBoxX : public QLineEdit {
    Q_OBJECT

public:
    enum TComboBoxXStyle { csDropDown, csDropDownList };
    Q_ENUM(TComboBoxXStyle)

    enum TCBXButton {
        cbxbEdit = 0x01,
        cbxbNew = 0x02,
        cbxbDelete = 0x04,
        cbxbUp = 0x08,
        cbxbDown = 0x10,
        cbxbPin = 0x20,
    };
    Q_DECLARE_FLAGS(TCBXButtons, TCBXButton)
    Q_FLAG(TCBXButtons)

    enum TCBXInplaceAction { iaAccept, iaCancel, iaClear };
    Q_ENUM(TCBXInplaceAction)

    explicit TCustomComboBoxX(QWidget* parent = nullptr);
    ~TCustomComboBoxX() override;

    // The entries, each a text with an optional object.
    QStringList items() const;
    void setItems(const QStringList& texts);
    int count() const;
    QString itemText(int index) const;
    QVariant itemObject(int index) const;
    void addItem(const QString& text, const QVariant& object = {});
    void insertItem(int index, const QString& text, const QVariant& object = {});
    void removeItem(int index);
    void setItemText(int index, const QString& text);
    void setItemObject(int index, const QVariant& object);

    // The selected entry (the first selected one with MultiSelect), -1 when none is; setting it selects that entry
    // alone without touching the text.
    int itemIndex() const;
    void setItemIndex(int index);
    QList<int> selectedIndexes() const;

    TComboBoxXStyle comboStyle() const { return style_; }
    void setComboStyle(TComboBoxXStyle style);
    int itemHeight() const { return itemHeight_; }
    void setItemHeight(int height);
    int dropDownCount() const { return dropDownCount_; }
    void setDropDownCount(int rows);
    bool multiSelect() const { return multiSelect_; }
    void setMultiSelect(bool on);
    int popupListWidth() const { return popupListWidth_; }
    void setPopupListWidth(int width);
    TCBXButtons buttons() const { return buttons_; }
    void setButtons(TCBXButtons shown);
    QString buttonHint() const { return buttonHint_; }
    void setButtonHint(const QString& hints);
    bool showHint() const { return showHint_; }
    void setShowHint(bool on);
    bool pinDown() const { return pinDown_; }
    void setPinDown(bool on);
    bool itemDrag() const { return itemDrag_; }
    void setItemDrag(bool on) { itemDrag_ = on; }
    bool autoScroll() const { return autoScroll_; }
    void setAutoScroll(bool on) { autoScroll_ = on; }
    bool droppedDown() const { return droppedDown_; }

    // The height of a list row: ItemHeight, or more when the font needs it.
    int rowHeight() const;

    // The parts, for owners that style them and for tests.
    QFrame* popup() const;
    QListWidget* listBox() const;
    QToolButton* dropButton() const { return dropButton_; }
    QToolButton* toolButton(TCBXButton button) const;
    TCBXInplaceEdit* inplaceEdit() const { return inplaceEdit_; }
    bool inplaceEditing() const { return editRow_ >= 0; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void DropDown();
    void DropUp();
    // What the six tool buttons do when pressed.
    void ItemEditEvent();
    void ItemNewEvent();
    void ItemDeleteEvent();
    void ItemUpEvent();
    void ItemDownEvent();
    void PinChangedEvent();
    // Ends the in-place edit: accept stores the edited text, cancel and clear only close the editor.
    void InplaceEditEvent(TCustomComboBoxX::TCBXInplaceAction action);
    void UpdateButtonsStatus();
    // The text becomes the selection: the selected entry's text, or the selected entries joined by commas.
    void SetEditText();

signals:
    // Every change of the text, typed or set.
    void OnChange();
    void OnDropDown(bool& accept);
    void OnDropUp();
    void OnEditItem(const QString& text, const QVariant& object, bool& accept);
    void OnNewItem(QString& text, QVariant& object, bool& accept);
    void OnModifiedItem(QString& text, QVariant& object, bool& accept);
    void OnDeleteItem(bool& accept);
    void OnMoveUpItem(bool& accept);
    void OnMoveDownItem(bool& accept);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool hot() const; // pointer over the control, focus in it, or the pop-up open: flat drawing highlights it
    void placeDropButton();

private slots:
    void TimerEvent();

private:
    friend class comboboxx::Popup;
    friend class comboboxx::ListBox;
    friend class TCBXInplaceEdit;

    bool closesOnClick() const { return !pinDown_ && !multiSelect_; }
    bool editable() const { return style_ == csDropDown; }
    void selectRows(const QList<int>& rows);
    void selectMatchingEntry();
    void moveItem(int from, int to);
    void openInplaceEditor(int row, bool namingNew = false);
    void placePopup();
    void buildButtons();
    void refreshIcons();
    void refreshButtonHints();
    void applyPin(bool down);

    // Called by the list of the pop-up.
    bool popupKey(QKeyEvent* event);
    void listPressed(int row);
    void listHovered(int row);
    void listDragged(QPoint pos);
    void listReleased(int row);
    void listDoubleClicked();
    void showInsertionLine(int row);

    comboboxx::Popup* popup_ = nullptr;
    comboboxx::ListBox* listBox_ = nullptr;
    QWidget* buttonPanel_ = nullptr;
    QToolButton* toolButtons_[6] = {};
    QToolButton* dropButton_ = nullptr;
    TCBXInplaceEdit* inplaceEdit_ = nullptr;
    QWidget* insertionLine_ = nullptr;
    QTimer* scrollTimer_ = nullptr;

    TComboBoxXStyle style_ = csDropDown;
    int itemHeight_ = 13;
    int dropDownCount_ = 7;
    bool multiSelect_ = false;
    int popupListWidth_ = 0;
    TCBXButtons buttons_ = TCBXButtons(0x3f);
    QString buttonHint_ = QStringLiteral("Edit,New,Delete,Up,Down,Pin");
    bool showHint_ = false;
    bool pinDown_ = false;
    bool itemDrag_ = true;
    bool autoScroll_ = true;

    bool droppedDown_ = false;
    int editRow_ = -1;       // the row under the in-place editor, -1 while it is closed
    bool namingNew_ = false; // the editor was opened by New, on the entry whose name New put into the text
    int dragRow_ = -1;       // the entry pressed in the list (and dragged with ItemDrag), -1 when none
    QPoint dragPos_;         // where the pointer was last seen during a drag, in the list's viewport
    int scrollDirection_ = 0;
    int scrollInterval_ = 500;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TCustomComboBoxX::TCBXButtons)

// The combo box with its properties published (readable and settable by name, from Designer forms and scripts).
class TComboBoxX : public TCustomComboBoxX {
    Q_OBJECT
    Q_PROPERTY(TCustomComboBoxX::TComboBoxXStyle Style READ comboStyle WRITE setComboStyle)
    Q_PROPERTY(QStringList Items READ items WRITE setItems)
    Q_PROPERTY(QString Text READ text WRITE setText NOTIFY OnChange)
    Q_PROPERTY(int ItemIndex READ itemIndex WRITE setItemIndex)
    Q_PROPERTY(int ItemHeight READ itemHeight WRITE setItemHeight)
    Q_PROPERTY(int DropDownCount READ dropDownCount WRITE setDropDownCount)
    Q_PROPERTY(bool MultiSelect READ multiSelect WRITE setMultiSelect)
    Q_PROPERTY(int PopupListWidth READ popupListWidth WRITE setPopupListWidth)
    Q_PROPERTY(TCustomComboBoxX::TCBXButtons Buttons READ buttons WRITE setButtons)
    Q_PROPERTY(QString ButtonHint READ buttonHint WRITE setButtonHint)
    Q_PROPERTY(bool ShowHint READ showHint WRITE setShowHint)
    Q_PROPERTY(bool PinDown READ pinDown WRITE setPinDown)
    Q_PROPERTY(bool ItemDrag READ itemDrag WRITE setItemDrag)
    Q_PROPERTY(bool AutoScroll READ autoScroll WRITE setAutoScroll)
    Q_PROPERTY(bool DroppedDown READ droppedDown)

public:
    explicit TComboBoxX(QWidget* parent = nullptr) : TCustomComboBoxX(parent) {}
};

// The same control with a flat look: a one-pixel frame and a flat drop button, highlighted while the pointer is
// over it, while it has the focus and while its pop-up is open.
class TFlatComboBoxX : public TComboBoxX {
    Q_OBJECT
public:
    explicit TFlatComboBoxX(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
