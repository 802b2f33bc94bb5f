// The named slots of the rule lists run the commands of their list as the list's own input does
// (base/ListViews.h): the editor of the list's feature implements them, and an error ends the command in the error
// box.

#include "access/AccessLists.h"
#include "access/RuleEditor.h"
#include "app/Main.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "cacheskip/CacheSkipEditor.h"
#include "portmap/ServiceList.h"

#include <array>

namespace {

// By TMainWnd::RuleList.
constexpr std::array<const ListDescriptor& (*)(), 13> kLists = {
    accesslists::groups,     accesslists::networks, accesslists::hosts,         accesslists::urls,
    accesslists::words,      accesslists::limits,   accesslists::speeds,        accesslists::portAccess,
    accesslists::portBlocks, accesslists::times,    accesslists::authorization, CacheSkipEditor::list,
    manualServiceList};

} // namespace

void TMainWnd::run(RuleList which, ListCommand command) {
    BoundList& shown = list(kLists.at(static_cast<std::size_t>(which))());
    switch (command) {
    case ListCommand::Fill:
        return shown.fill();
    case ListCommand::Add:
        return shown.add();
    case ListCommand::Edit:
        return shown.edit();
    case ListCommand::Remove:
        return shown.remove();
    case ListCommand::DoubleClick:
        return shown.doubleClick();
    }
}

void TMainWnd::keyDown(RuleList which, int key) {
    list(kLists.at(static_cast<std::size_t>(which))()).keyDown(key);
}

void TMainWnd::runPopupEntry(ListCommand entry) {
    BoundList* shown = popupList();
    const PopupEntry popupEntry = entry == ListCommand::Add    ? PopupEntry::Add
                                  : entry == ListCommand::Edit ? PopupEntry::Edit
                                                               : PopupEntry::Delete;
    if (!shown || !shown->popup(popupEntry))
        messages::notice(this, QStringLiteral("NoRules"));
}

void TMainWnd::ShowGroupNotFound() {
    ::ShowGroupNotFound(this);
}

void TMainWnd::UpdateSkipActionExecute() {
    messages::guarded(this, [this] { cacheSkipEditor_->sort(list(CacheSkipEditor::list())); });
}
