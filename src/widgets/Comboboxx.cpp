#include "widgets/Comboboxx.h"

#include "base/Images.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

// The button pictures are compiled into the static GUI library; register them before the first control needs them.
static void initComboBoxXResources() {
    static const bool kRegistered = [] {
        Q_INIT_RESOURCE(comboboxx);
        return true;
    }();
    Q_UNUSED(kRegistered);
}

namespace {

constexpr int kButtonCount = 6;
constexpr int kEdgeScrollMargin = 4;    // pixels at the list's top and bottom that scroll it during a drag
constexpr int kEdgeScrollStart = 500;   // first interval of edge scrolling, ms
constexpr int kEdgeScrollFastest = 100; // the interval shrinks by 50 ms a tick down to this
constexpr int kInsertionLineWidth = 2;

const char* const kButtonNames[kButtonCount] = {"cbxbEdit", "cbxbNew", "cbxbDelete", "cbxbUp", "cbxbDown", "cbxbPin"};
const char* const kGlyphFiles[kButtonCount] = {"edit", "new", "delete", "up", "down", "pin"};

int buttonIndex(TCustomComboBoxX::TCBXButton button) {
    return std::countr_zero(unsigned(button));
}

// ---- Button pictures ----
//
// One-colour SVG drawings of the resources, painted in the control's palette (base/Images.h).

QString glyphFile(int index) {
    return QStringLiteral(":/comboboxx/%1.svg").arg(QLatin1StringView(kGlyphFiles[index]));
}

// The entry at which the text points (see TCustomComboBoxX::selectMatchingEntry).
QList<int> matchingRows(const QStringList& entries, const QString& text, bool multiSelect, bool editable) {
    const auto firstRow = [&entries](auto&& matches) -> QList<int> {
        for (int i = 0; i < entries.size(); ++i)
            if (matches(entries[i]))
                return {i};
        return {};
    };
    if (multiSelect) {
        QStringList names = text.split(u',');
        for (QString& name : names)
            name = name.trimmed();
        QList<int> rows;
        for (int i = 0; i < entries.size(); ++i)
            if (names.contains(entries[i].trimmed(), Qt::CaseInsensitive))
                rows << i;
        if (!rows.isEmpty() || text.isEmpty())
            return rows;
        return firstRow([&text](const QString& entry) { return entry.startsWith(text); });
    }
    const QString trimmed = text.trimmed();
    if (QList<int> rows =
            firstRow([&trimmed](const QString& entry) { return entry.compare(trimmed, Qt::CaseInsensitive) == 0; });
        !rows.isEmpty() || text.isEmpty())
        return rows; // an empty text points at no entry (unless one is empty too)
    if (QList<int> rows =
            firstRow([&text](const QString& entry) { return !entry.isEmpty() && text.startsWith(entry); });
        !rows.isEmpty() || !editable)
        return rows;
    return firstRow([&text](const QString& entry) { return entry.startsWith(text); });
}

// "NewItem", or "NewItem2", "NewItem3" ... when an entry of that name exists (letter case ignored).
QString newItemName(const QStringList& entries) {
    QString name = QStringLiteral("NewItem");
    for (int n = 2; entries.contains(name, Qt::CaseInsensitive); ++n)
        name = QStringLiteral("NewItem%1").arg(n);
    return name;
}

// Rows of at least the control's row height.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(const TCustomComboBoxX* owner, QObject* parent) : QStyledItemDelegate(parent), owner_(owner) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(owner_->rowHeight());
        return size;
    }

private:
    const TCustomComboBoxX* owner_;
};

} // namespace

namespace comboboxx {

// The pop-up window: the list above a row of tool buttons. It takes the control's font and palette.
class Popup : public QFrame {
public:
    explicit Popup(TCustomComboBoxX* owner) : QFrame(owner, Qt::Popup), owner_(owner) {
        setAttribute(Qt::WA_WindowPropagation);
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setForegroundRole(QPalette::Mid);
        setLineWidth(1);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // A press outside closes the pop-up (QWidget does that). A press on the drop button, or anywhere on a
        // list-only field, must not then reach the control and open the pop-up again.
        const QPoint onOwner = owner_->mapFromGlobal(event->globalPosition().toPoint());
        if (!rect().contains(event->position().toPoint()) &&
            (owner_->dropButton()->geometry().contains(onOwner) ||
             (owner_->comboStyle() == TCustomComboBoxX::csDropDownList && owner_->rect().contains(onOwner))))
            setAttribute(Qt::WA_NoMouseReplay);
        QFrame::mousePressEvent(event);
    }

    void hideEvent(QHideEvent* event) override {
        QFrame::hideEvent(event);
        owner_->DropUp(); // closed by Qt (a press outside) as well as by the control
    }

private:
    TCustomComboBoxX* owner_;
};

// A flat button of the pop-up's panel. Its keyboard focus is drawn in the palette's highlight colour: the style's
// own mark of a focused flat button can vanish in a dark palette.
class PanelButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override {
        QToolButton::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// The list of the pop-up: a plain QListWidget whose mouse and keys the control interprets.
class ListBox : public QListWidget {
public:
    ListBox(TCustomComboBoxX* owner, QWidget* parent) : QListWidget(parent), owner_(owner) {
        setFrameShape(QFrame::NoFrame);
        setUniformItemSizes(true);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setMouseTracking(true);
        setItemDelegate(new RowDelegate(owner, this));
    }

    int rowAt(QPointF pos) const {
        QListWidgetItem* found = itemAt(pos.toPoint());
        return found ? row(found) : -1;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!owner_->popupKey(event))
            QListWidget::keyPressEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            event->accept();
            return;
        }
        if (owner_->multiSelect())
            QListWidget::mousePressEvent(event); // Ctrl and Shift clicks
        const int row = rowAt(event->position());
        if (row >= 0)
            owner_->listPressed(row);
        event->accept();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (event->buttons() == Qt::NoButton)
            owner_->listHovered(rowAt(event->position()));
        else if ((event->buttons() & Qt::LeftButton) && owner_->dragRow_ >= 0 && owner_->itemDrag())
            owner_->listDragged(event->position().toPoint());
        else if (owner_->multiSelect())
            QListWidget::mouseMoveEvent(event);
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (owner_->multiSelect())
            QListWidget::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton)
            owner_->listReleased(rowAt(event->position()));
        event->accept();
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            owner_->listDoubleClicked();
        event->accept();
    }

private:
    TCustomComboBoxX* owner_;
};

} // namespace comboboxx

using comboboxx::ListBox;
using comboboxx::PanelButton;
using comboboxx::Popup;

// ---- TCBXInplaceEdit ----

TCBXInplaceEdit::TCBXInplaceEdit(TCustomComboBoxX* owner, QWidget* parent) : QLineEdit(parent), owner_(owner) {
    setObjectName(QStringLiteral("InplaceEdit"));
    setFrame(false);
    hide();
}

void TCBXInplaceEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        owner_->InplaceEditEvent(TCustomComboBoxX::iaAccept);
        break;
    case Qt::Key_Escape:
        owner_->InplaceEditEvent(TCustomComboBoxX::iaCancel);
        break;
    default:
        QLineEdit::keyPressEvent(event);
        break;
    }
    event->accept(); // no key of the editor reaches the list below it
}

void TCBXInplaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) // its own context menu is not leaving it
        owner_->InplaceEditEvent(TCustomComboBoxX::iaCancel);
}

// ---- TCustomComboBoxX ----

TCustomComboBoxX::TCustomComboBoxX(QWidget* parent) : QLineEdit(parent) {
    initComboBoxXResources();
    popup_ = new Popup(this);
    popup_->setObjectName(QStringLiteral("Popup"));
    listBox_ = new ListBox(this, popup_);
    listBox_->setObjectName(QStringLiteral("ListBox"));
    buttonPanel_ = new QWidget(popup_);
    buttonPanel_->setObjectName(QStringLiteral("ButtonPanel"));
    auto* popupLayout = new QVBoxLayout(popup_);
    popupLayout->setContentsMargins(0, 0, 0, 0);
    popupLayout->setSpacing(0);
    popupLayout->addWidget(listBox_);
    popupLayout->addWidget(buttonPanel_);
    buildButtons();

    inplaceEdit_ = new TCBXInplaceEdit(this, listBox_->viewport());
    insertionLine_ = new QWidget(listBox_->viewport());
    insertionLine_->setAutoFillBackground(true);
    insertionLine_->setBackgroundRole(QPalette::Highlight);
    insertionLine_->hide();
    scrollTimer_ = new QTimer(this);
    connect(scrollTimer_, &QTimer::timeout, this, &TCustomComboBoxX::TimerEvent);

    dropButton_ = new QToolButton(this);
    dropButton_->setObjectName(QStringLiteral("DropButton"));
    dropButton_->setArrowType(Qt::DownArrow);
    dropButton_->setFocusPolicy(Qt::NoFocus);
    dropButton_->setCursor(Qt::ArrowCursor);
    connect(dropButton_, &QToolButton::pressed, this, [this] { droppedDown_ ? DropUp() : DropDown(); });

    connect(this, &QLineEdit::textChanged, this, &TCustomComboBoxX::OnChange);
    connect(listBox_, &QListWidget::itemSelectionChanged, this, &TCustomComboBoxX::UpdateButtonsStatus);
    refreshIcons();
    refreshButtonHints();
    UpdateButtonsStatus();
    resize(sizeHint());
    placeDropButton();
}

TCustomComboBoxX::~TCustomComboBoxX() {
    droppedDown_ = false; // the pop-up goes first, while this object is whole; its closing needs nothing more
    delete popup_;
}

void TCustomComboBoxX::buildButtons() {
    auto* layout = new QHBoxLayout(buttonPanel_);
    layout->setContentsMargins(1, 0, 1, 1);
    layout->setSpacing(0);
    void (TCustomComboBoxX::*const actions[])() = {&TCustomComboBoxX::ItemEditEvent, &TCustomComboBoxX::ItemNewEvent,
                                                   &TCustomComboBoxX::ItemDeleteEvent, &TCustomComboBoxX::ItemUpEvent,
                                                   &TCustomComboBoxX::ItemDownEvent};
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new PanelButton(buttonPanel_);
        button->setObjectName(QLatin1StringView(kButtonNames[i]));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus); // reachable with Tab, but a click keeps the in-place editor open
        layout->addWidget(button);
        toolButtons_[i] = button;
        if (i < kButtonCount - 1)
            connect(button, &QToolButton::clicked, this, actions[i]);
    }
    QToolButton* pin = toolButtons_[buttonIndex(cbxbPin)];
    pin->setCheckable(true);
    connect(pin, &QToolButton::toggled, this, &TCustomComboBoxX::applyPin);
    layout->addStretch();
    setButtons(buttons_);
}

void TCustomComboBoxX::setButtons(TCBXButtons shown) {
    buttons_ = shown;
    // 15 x 13 pixels for an 8-point font, larger for larger fonts.
    const int height = std::max(13, fontMetrics().height());
    const QSize size(height + 2, height);
    for (int i = 0; i < kButtonCount; ++i) {
        toolButtons_[i]->setFixedSize(size);
        toolButtons_[i]->setIconSize(QSize(height - 3, height - 3));
        toolButtons_[i]->setVisible(buttons_.testFlag(TCBXButton(1 << i)));
    }
    buttonPanel_->setVisible(buttons_ != TCBXButtons());
    if (droppedDown_)
        placePopup();
}

void TCustomComboBoxX::refreshIcons() {
    for (int i = 0; i < kButtonCount; ++i)
        toolButtons_[i]->setIcon(glyphIcon(glyphFile(i), palette()));
}

void TCustomComboBoxX::setButtonHint(const QString& hints) {
    buttonHint_ = hints;
    refreshButtonHints();
}

void TCustomComboBoxX::setShowHint(bool on) {
    showHint_ = on;
    refreshButtonHints();
}

void TCustomComboBoxX::refreshButtonHints() {
    static const char* const kKeys[kButtonCount] = {"F2", "Insert", "Ctrl+Delete", "Ctrl+Up", "Ctrl+Down", nullptr};
    const QStringList hints = buttonHint_.split(u','); // entries after the sixth are ignored
    for (int i = 0; i < kButtonCount; ++i) {
        const QString hint = hints.value(i);
        toolButtons_[i]->setToolTip(showHint_ ? hint : QString());
        toolButtons_[i]->setAccessibleName(hint.isEmpty() ? QLatin1StringView(kGlyphFiles[i]) : hint);
        if (kKeys[i])
            toolButtons_[i]->setAccessibleDescription(QLatin1StringView(kKeys[i]));
    }
}

QFrame* TCustomComboBoxX::popup() const {
    return popup_;
}

QListWidget* TCustomComboBoxX::listBox() const {
    return listBox_;
}

QToolButton* TCustomComboBoxX::toolButton(TCBXButton button) const {
    return toolButtons_[buttonIndex(button)];
}

// ---- Entries ----

QStringList TCustomComboBoxX::items() const {
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts << itemText(i);
    return texts;
}

void TCustomComboBoxX::setItems(const QStringList& texts) {
    InplaceEditEvent(iaClear);
    listBox_->clear();
    listBox_->addItems(texts);
    if (droppedDown_)
        placePopup();
}

int TCustomComboBoxX::count() const {
    return listBox_->count();
}

QString TCustomComboBoxX::itemText(int index) const {
    const QListWidgetItem* item = listBox_->item(index);
    return item ? item->text() : QString();
}

QVariant TCustomComboBoxX::itemObject(int index) const {
    const QListWidgetItem* item = listBox_->item(index);
    return item ? item->data(Qt::UserRole) : QVariant();
}

void TCustomComboBoxX::addItem(const QString& text, const QVariant& object) {
    insertItem(count(), text, object);
}

void TCustomComboBoxX::insertItem(int index, const QString& text, const QVariant& object) {
    InplaceEditEvent(iaClear);
    auto* item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, object);
    listBox_->insertItem(std::clamp(index, 0, count()), item);
    if (droppedDown_)
        placePopup();
}

void TCustomComboBoxX::removeItem(int index) {
    if (index < 0 || index >= count())
        return;
    InplaceEditEvent(iaClear);
    delete listBox_->takeItem(index);
    if (droppedDown_)
        placePopup();
}

void TCustomComboBoxX::setItemText(int index, const QString& text) {
    if (QListWidgetItem* item = listBox_->item(index))
        item->setText(text);
}

void TCustomComboBoxX::setItemObject(int index, const QVariant& object) {
    if (QListWidgetItem* item = listBox_->item(index))
        item->setData(Qt::UserRole, object);
}

QList<int> TCustomComboBoxX::selectedIndexes() const {
    QList<int> rows;
    for (const QModelIndex& index : listBox_->selectionModel()->selectedIndexes())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TCustomComboBoxX::itemIndex() const {
    const QList<int> rows = selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first();
}

void TCustomComboBoxX::setItemIndex(int index) {
    selectRows(index >= 0 && index < count() ? QList<int>{index} : QList<int>());
}

void TCustomComboBoxX::selectRows(const QList<int>& rows) {
    QItemSelection selection;
    for (int row : rows) {
        const QModelIndex index = listBox_->model()->index(row, 0);
        selection.select(index, index);
    }
    QItemSelectionModel* model = listBox_->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    model->setCurrentIndex(rows.isEmpty() ? QModelIndex() : listBox_->model()->index(rows.first(), 0),
                           QItemSelectionModel::NoUpdate);
}

// With single selection: the entry equal to the trimmed text (letter case ignored); else the first entry with
// which the text begins; else, when the text is editable, the first entry that begins with the text (both prefix
// tests with letter case). With multiple selection: every entry named in the comma-separated text; else the first
// entry that begins with the text. An empty text selects nothing.
void TCustomComboBoxX::selectMatchingEntry() {
    selectRows(matchingRows(items(), text(), multiSelect_, editable()));
}

void TCustomComboBoxX::SetEditText() {
    QStringList texts;
    for (int row : selectedIndexes())
        texts << itemText(row);
    setText(multiSelect_ ? texts.join(u',') : texts.value(0));
}

// ---- Properties ----

void TCustomComboBoxX::setComboStyle(TComboBoxXStyle style) {
    style_ = style;
    setReadOnly(style == csDropDownList);
}

void TCustomComboBoxX::setItemHeight(int height) {
    itemHeight_ = std::max(1, height);
    listBox_->doItemsLayout();
    if (droppedDown_)
        placePopup();
}

int TCustomComboBoxX::rowHeight() const {
    return std::max(itemHeight_, fontMetrics().height() + 2);
}

void TCustomComboBoxX::setDropDownCount(int rows) {
    dropDownCount_ = std::max(1, rows);
    if (droppedDown_)
        placePopup();
}

void TCustomComboBoxX::setMultiSelect(bool on) {
    multiSelect_ = on;
    listBox_->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    UpdateButtonsStatus();
}

void TCustomComboBoxX::setPopupListWidth(int width) {
    popupListWidth_ = std::max(0, width);
    if (droppedDown_)
        placePopup();
}

void TCustomComboBoxX::setPinDown(bool on) {
    toolButton(cbxbPin)->setChecked(on); // toggled -> applyPin
    applyPin(on);
}

void TCustomComboBoxX::applyPin(bool down) {
    pinDown_ = down;
}

// ---- Opening and closing ----

void TCustomComboBoxX::DropDown() {
    if (droppedDown_ || !isEnabled())
        return;
    bool accept = true;
    emit OnDropDown(accept);
    if (!accept)
        return;
    selectAll();
    {
        const QSignalBlocker quiet(toolButton(cbxbPin));
        toolButton(cbxbPin)->setChecked(pinDown_);
    }
    selectMatchingEntry();
    UpdateButtonsStatus();
    droppedDown_ = true;
    placePopup();
    popup_->show();
    listBox_->setFocus(Qt::PopupFocusReason);
    if (const int row = itemIndex(); row >= 0)
        listBox_->scrollToItem(listBox_->item(row));
    else // the view makes its first row current on focus; with nothing chosen, Down must reach the first row
        listBox_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    update();
}

void TCustomComboBoxX::DropUp() {
    if (!droppedDown_)
        return;
    droppedDown_ = false;
    InplaceEditEvent(iaCancel);
    scrollTimer_->stop();
    scrollInterval_ = kEdgeScrollStart;
    dragRow_ = -1;
    showInsertionLine(-1);
    popup_->hide();
    if (closesOnClick())
        selectMatchingEntry();
    else if (style_ == csDropDownList)
        SetEditText();
    update();
    emit OnDropUp();
}

// DropDownCount rows (fewer when there are fewer entries) and the button panel, below the control or above it
// when there is no room below, and within the screen.
void TCustomComboBoxX::placePopup() {
    const int rows = std::clamp(count(), 1, dropDownCount_);
    listBox_->setFixedHeight(rows * rowHeight());
    int buttonsWidth = 0;
    for (QToolButton* button : toolButtons_)
        if (!button->isHidden())
            buttonsWidth += button->width();
    const int frame = popup_->frameWidth();
    const int panel = buttonPanel_->isHidden() ? 0 : buttonPanel_->sizeHint().height();
    const QSize size(std::max(popupListWidth_ > 0 ? popupListWidth_ : width(), buttonsWidth + 3 + 2 * frame),
                     rows * rowHeight() + panel + 2 * frame);

    const QRect screenArea = screen()->availableGeometry();
    QPoint pos = mapToGlobal(QPoint(0, height()));
    if (pos.y() + size.height() > screenArea.bottom() + 1) {
        const int above = mapToGlobal(QPoint(0, 0)).y() - size.height();
        pos.setY(above >= screenArea.top() ? above
                                           : std::max(screenArea.top(), screenArea.bottom() + 1 - size.height()));
    }
    pos.setX(
        std::clamp(pos.x(), screenArea.left(), std::max(screenArea.left(), screenArea.right() + 1 - size.width())));
    popup_->setGeometry(QRect(pos, size));
    popup_->layout()->activate(); // rows are placed now: the in-place editor may follow at once
}

// ---- The six operations ----

void TCustomComboBoxX::UpdateButtonsStatus() {
    const QList<int> rows = selectedIndexes();
    const bool one = rows.size() == 1;
    toolButton(cbxbEdit)->setEnabled(one);
    toolButton(cbxbNew)->setEnabled(true);
    toolButton(cbxbDelete)->setEnabled(!rows.isEmpty());
    toolButton(cbxbUp)->setEnabled(one && rows.first() > 0);
    toolButton(cbxbDown)->setEnabled(one && rows.first() < count() - 1);
}

void TCustomComboBoxX::ItemEditEvent() {
    if (inplaceEditing()) { // a second press closes it
        InplaceEditEvent(iaCancel);
        return;
    }
    const QList<int> rows = selectedIndexes();
    if (rows.size() != 1)
        return;
    bool accept = true;
    emit OnEditItem(itemText(rows.first()), itemObject(rows.first()), accept);
    if (accept)
        openInplaceEditor(rows.first());
}

void TCustomComboBoxX::openInplaceEditor(int row, bool namingNew) {
    if (!droppedDown_ || row < 0 || row >= count())
        return;
    QListWidgetItem* item = listBox_->item(row);
    listBox_->scrollToItem(item);
    editRow_ = row;
    namingNew_ = namingNew;
    const QRect area = listBox_->visualItemRect(item);
    inplaceEdit_->setGeometry(0, area.top(), listBox_->viewport()->width(), area.height());
    inplaceEdit_->setFont(font());
    inplaceEdit_->setText(item->text());
    inplaceEdit_->selectAll();
    inplaceEdit_->show();
    inplaceEdit_->setFocus(Qt::OtherFocusReason);
}

void TCustomComboBoxX::InplaceEditEvent(TCustomComboBoxX::TCBXInplaceAction action) {
    if (editRow_ < 0)
        return;
    const int row = std::exchange(editRow_, -1); // closed from here on: its focus loss below changes nothing
    const bool namingNew = std::exchange(namingNew_, false);
    if (inplaceEdit_->hasFocus() && droppedDown_)
        listBox_->setFocus(Qt::OtherFocusReason); // the keyboard goes on in the list
    inplaceEdit_->hide();
    if (action != iaAccept || !listBox_->item(row) || !listBox_->item(row)->isSelected())
        return;
    QString edited = inplaceEdit_->text();
    QVariant object = itemObject(row);
    bool accept = true;
    emit OnModifiedItem(edited, object, accept);
    if (!accept)
        return;
    // A pop-up that stays open shows the edited entry as the text. So does a field whose text New has just set to
    // the provisional name: it would otherwise name an entry that no longer exists.
    const bool textFollows = !closesOnClick() || (namingNew && text() == itemText(row));
    setItemText(row, edited);
    setItemObject(row, object);
    if (textFollows)
        SetEditText();
}

void TCustomComboBoxX::ItemNewEvent() {
    QString name = newItemName(items());
    QVariant object;
    bool accept = true;
    emit OnNewItem(name, object, accept);
    if (!accept)
        return;
    InplaceEditEvent(iaClear);
    auto* item = new QListWidgetItem(name);
    item->setData(Qt::UserRole, object);
    listBox_->addItem(item);
    listBox_->scrollToItem(item);
    selectRows({count() - 1});
    UpdateButtonsStatus();
    if (droppedDown_)
        placePopup();
    SetEditText();
    openInplaceEditor(count() - 1, true); // the user names it at once
}

void TCustomComboBoxX::ItemDeleteEvent() {
    const QList<int> rows = selectedIndexes();
    if (rows.isEmpty())
        return;
    bool accept = true;
    emit OnDeleteItem(accept);
    if (!accept)
        return;
    InplaceEditEvent(iaClear);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        delete listBox_->takeItem(*row);
    selectRows({});
    UpdateButtonsStatus();
    if (droppedDown_)
        placePopup();
    SetEditText();
}

void TCustomComboBoxX::ItemUpEvent() {
    const QList<int> rows = selectedIndexes();
    if (rows.size() != 1 || rows.first() == 0)
        return;
    bool accept = true;
    emit OnMoveUpItem(accept);
    if (!accept)
        return;
    InplaceEditEvent(iaClear);
    moveItem(rows.first(), rows.first() - 1);
    listBox_->scrollToItem(listBox_->item(rows.first() - 1));
}

void TCustomComboBoxX::ItemDownEvent() {
    const QList<int> rows = selectedIndexes();
    if (rows.size() != 1 || rows.first() == count() - 1)
        return;
    bool accept = true;
    emit OnMoveDownItem(accept);
    if (!accept)
        return;
    InplaceEditEvent(iaClear);
    moveItem(rows.first(), rows.first() + 1);
    listBox_->scrollToItem(listBox_->item(rows.first() + 1));
}

// What a press on the pin does: the pin flips, and PinDown follows it.
void TCustomComboBoxX::PinChangedEvent() {
    toolButton(cbxbPin)->toggle();
}

// The entry at `from` ends at index `to`, selected.
void TCustomComboBoxX::moveItem(int from, int to) {
    listBox_->insertItem(to, listBox_->takeItem(from));
    selectRows({to});
    UpdateButtonsStatus();
}

// ---- Mouse and keys in the pop-up ----

void TCustomComboBoxX::listPressed(int row) {
    if (!multiSelect_)
        selectRows({row});
    SetEditText();
    UpdateButtonsStatus();
    dragRow_ = row;
    dragPos_ = listBox_->visualItemRect(listBox_->item(row)).center();
}

void TCustomComboBoxX::listHovered(int row) {
    // Hovering moves the selection only while a click would close the pop-up, and never away from an entry
    // being edited.
    if (closesOnClick() && !inplaceEditing() && row >= 0 && row != itemIndex())
        selectRows({row});
}

void TCustomComboBoxX::listDragged(QPoint pos) {
    dragPos_ = pos;
    showInsertionLine(listBox_->rowAt(pos));
    if (!autoScroll_)
        return;
    const QRect area = listBox_->viewport()->rect();
    const bool beside = pos.x() < area.left() || pos.x() > area.right();
    const int direction = beside                                        ? 0
                          : pos.y() < area.top() + kEdgeScrollMargin    ? -1
                          : pos.y() > area.bottom() - kEdgeScrollMargin ? 1
                                                                        : 0;
    if (direction == 0) {
        scrollTimer_->stop();
        if (!beside)
            scrollInterval_ = kEdgeScrollStart;
        return;
    }
    scrollDirection_ = direction;
    if (!scrollTimer_->isActive())
        scrollTimer_->start(scrollInterval_);
}

// One tick of edge scrolling: one row further, a little faster each time.
void TCustomComboBoxX::TimerEvent() {
    QScrollBar* bar = listBox_->verticalScrollBar();
    const bool atEnd = scrollDirection_ < 0 ? bar->value() <= bar->minimum() : bar->value() >= bar->maximum();
    if (dragRow_ < 0 || atEnd) {
        scrollTimer_->stop();
        return;
    }
    bar->setValue(bar->value() + scrollDirection_ * bar->singleStep());
    if (scrollInterval_ > kEdgeScrollFastest)
        scrollInterval_ -= 50;
    scrollTimer_->setInterval(scrollInterval_);
    showInsertionLine(listBox_->rowAt(dragPos_));
}

void TCustomComboBoxX::listReleased(int row) {
    InplaceEditEvent(iaCancel);
    scrollTimer_->stop();
    scrollInterval_ = kEdgeScrollStart;
    showInsertionLine(-1);
    const int pressed = std::exchange(dragRow_, -1);
    if (pressed < 0)
        return;
    if (itemDrag_ && row >= 0 && row != pressed) {
        QScrollBar* bar = listBox_->verticalScrollBar();
        const int scrolled = bar->value();
        moveItem(pressed, row);
        bar->setValue(scrolled);
        return;
    }
    if (closesOnClick())
        DropUp(); // the pressed entry is picked
}

void TCustomComboBoxX::listDoubleClicked() {
    if (closesOnClick())
        return; // the first click has picked already
    SetEditText();
    DropUp();
}

// A line at the edge of `row` where the dragged entry would land: above the row when the entry comes from below,
// under it when the entry comes from above. None over the dragged entry itself.
void TCustomComboBoxX::showInsertionLine(int row) {
    if (row < 0 || row == dragRow_ || dragRow_ < 0) {
        insertionLine_->hide();
        return;
    }
    const QRect area = listBox_->visualItemRect(listBox_->item(row));
    const int y = row < dragRow_ ? area.top() : area.bottom() + 1 - kInsertionLineWidth;
    insertionLine_->setGeometry(0, std::max(0, y), listBox_->viewport()->width(), kInsertionLineWidth);
    insertionLine_->show();
    insertionLine_->raise();
}

bool TCustomComboBoxX::popupKey(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const auto press = [this](TCBXButton button) {
        if (buttons_.testFlag(button) && toolButton(button)->isEnabled())
            toolButton(button)->click();
        return true;
    };
    if (key == Qt::Key_Escape || key == Qt::Key_F4 ||
        (modifiers == Qt::AltModifier && (key == Qt::Key_Up || key == Qt::Key_Down))) {
        DropUp();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!selectedIndexes().isEmpty())
            SetEditText(); // picks the entry reached with the arrow keys
        DropUp();
        return true;
    }
    if (modifiers == Qt::NoModifier && key == Qt::Key_F2)
        return press(cbxbEdit);
    if (modifiers == Qt::NoModifier && key == Qt::Key_Insert)
        return press(cbxbNew);
    if (modifiers == Qt::ControlModifier) {
        if (key == Qt::Key_Delete)
            return press(cbxbDelete);
        if (key == Qt::Key_Up)
            return press(cbxbUp);
        if (key == Qt::Key_Down)
            return press(cbxbDown);
    }
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false; // the list moves its selection, or the focus goes on to the buttons
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        break;
    default:
        if (event->text().isEmpty())
            return false;
    }
    // Typing goes into the text, which then points at its entry again.
    if (!editable()) {
        if (event->text().isEmpty() || !event->text().front().isPrint())
            return true;
        listBox_->keyboardSearch(event->text());
        SetEditText();
        return true;
    }
    const QString before = text();
    QLineEdit::keyPressEvent(event);
    if (text() != before)
        selectMatchingEntry();
    event->accept();
    return true;
}

// ---- The control itself ----

void TCustomComboBoxX::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_F4 || (modifiers == Qt::AltModifier && event->key() == Qt::Key_Down)) {
        droppedDown_ ? DropUp() : DropDown();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCustomComboBoxX::mousePressEvent(QMouseEvent* event) {
    if (!editable() && event->button() == Qt::LeftButton) {
        DropDown();
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TCustomComboBoxX::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    placeDropButton();
}

void TCustomComboBoxX::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
        refreshIcons();
        break;
    case QEvent::FontChange:
        setButtons(buttons_); // button sizes follow the font
        listBox_->doItemsLayout();
        break;
    case QEvent::StyleChange:
        placeDropButton();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled())
            DropUp();
        break;
    default:
        break;
    }
}

void TCustomComboBoxX::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    DropUp();
}

void TCustomComboBoxX::placeDropButton() {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this) : 1;
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    dropButton_->setGeometry(this->width() - frame - width, frame, width, height() - 2 * frame);
    setTextMargins(hasFrame() ? 0 : 2, 0, width, 0);
}

bool TCustomComboBoxX::hot() const {
    return underMouse() || hasFocus() || droppedDown_;
}

QSize TCustomComboBoxX::sizeHint() const {
    return {145, std::max(21, QLineEdit::sizeHint().height())};
}

QSize TCustomComboBoxX::minimumSizeHint() const {
    const QSize size = QLineEdit::minimumSizeHint();
    return {size.width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this), size.height()};
}

// ---- TFlatComboBoxX ----

TFlatComboBoxX::TFlatComboBoxX(QWidget* parent) : TComboBoxX(parent) {
    setFrame(false);
    setAttribute(Qt::WA_Hover);
    dropButton()->setAutoRaise(true);
    placeDropButton();
}

void TFlatComboBoxX::paintEvent(QPaintEvent* event) {
    TComboBoxX::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(hot() ? QPalette::Highlight : QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TFlatComboBoxX::enterEvent(QEnterEvent* event) {
    TComboBoxX::enterEvent(event);
    update();
}

void TFlatComboBoxX::leaveEvent(QEvent* event) {
    TComboBoxX::leaveEvent(event);
    update();
}
