// The slots of the rule lists, each running an action of its list as the list's own input does (base/ListViews.h):
// the editor of the list's feature implements them, and an error ends the action in the error box.

#include "access/AccessLists.h"
#include "access/RuleEditor.h"
#include "app/Main.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "cacheskip/CacheSkipEditor.h"
#include "portmap/ServiceList.h"

// clang-format off
void TMainWnd::SetNameActionExecute() { list(accesslists::groups()).fill(); }
void TMainWnd::AddNameActionExecute() { list(accesslists::groups()).add(); }
void TMainWnd::EditNameActionExecute() { list(accesslists::groups()).edit(); }
void TMainWnd::DeleteNameActionExecute() { list(accesslists::groups()).remove(); }
void TMainWnd::GroupNameDblClick() { list(accesslists::groups()).doubleClick(); }
void TMainWnd::GroupNameKeyDown(int key) { list(accesslists::groups()).keyDown(key); }

void TMainWnd::SetNetActionExecute() { list(accesslists::networks()).fill(); }
void TMainWnd::AddNetActionExecute() { list(accesslists::networks()).add(); }
void TMainWnd::EditNetActionExecute() { list(accesslists::networks()).edit(); }
void TMainWnd::DeleteNetActionExecute() { list(accesslists::networks()).remove(); }
void TMainWnd::LNetworkDblClick() { list(accesslists::networks()).doubleClick(); }
void TMainWnd::LNetworkKeyDown(int key) { list(accesslists::networks()).keyDown(key); }

void TMainWnd::SetHostActionExecute() { list(accesslists::hosts()).fill(); }
void TMainWnd::AddHostActionExecute() { list(accesslists::hosts()).add(); }
void TMainWnd::EditHostActionExecute() { list(accesslists::hosts()).edit(); }
void TMainWnd::DeleteHostActionExecute() { list(accesslists::hosts()).remove(); }
void TMainWnd::LHostDblClick() { list(accesslists::hosts()).doubleClick(); }
void TMainWnd::LHostKeyDown(int key) { list(accesslists::hosts()).keyDown(key); }

void TMainWnd::SetUrlActionExecute() { list(accesslists::urls()).fill(); }
void TMainWnd::AddUrlActionExecute() { list(accesslists::urls()).add(); }
void TMainWnd::EditUrlActionExecute() { list(accesslists::urls()).edit(); }
void TMainWnd::DeleteUrlActionExecute() { list(accesslists::urls()).remove(); }
void TMainWnd::LUrlDblClick() { list(accesslists::urls()).doubleClick(); }
void TMainWnd::LUrlKeyDown(int key) { list(accesslists::urls()).keyDown(key); }

void TMainWnd::SetWordActionExecute() { list(accesslists::words()).fill(); }
void TMainWnd::AddWordActionExecute() { list(accesslists::words()).add(); }
void TMainWnd::EditWordActionExecute() { list(accesslists::words()).edit(); }
void TMainWnd::DeleteWordActionExecute() { list(accesslists::words()).remove(); }
void TMainWnd::LWordDblClick() { list(accesslists::words()).doubleClick(); }
void TMainWnd::LWordKeyDown(int key) { list(accesslists::words()).keyDown(key); }

void TMainWnd::SetLimitActionExecute() { list(accesslists::limits()).fill(); }
void TMainWnd::AddLimitActionExecute() { list(accesslists::limits()).add(); }
void TMainWnd::EditLimitActionExecute() { list(accesslists::limits()).edit(); }
void TMainWnd::DeleteLimitActionExecute() { list(accesslists::limits()).remove(); }
void TMainWnd::LLimitDblClick() { list(accesslists::limits()).doubleClick(); }
void TMainWnd::LLimitKeyDown(int key) { list(accesslists::limits()).keyDown(key); }

void TMainWnd::SetSpeedActionExecute() { list(accesslists::speeds()).fill(); }
void TMainWnd::AddSpeedActionExecute() { list(accesslists::speeds()).add(); }
void TMainWnd::EditSpeedActionExecute() { list(accesslists::speeds()).edit(); }
void TMainWnd::DeleteSpeedActionExecute() { list(accesslists::speeds()).remove(); }
void TMainWnd::LSpeedDblClick() { list(accesslists::speeds()).doubleClick(); }
void TMainWnd::LSpeedKeyDown(int key) { list(accesslists::speeds()).keyDown(key); }

void TMainWnd::SetPortAActionExecute() { list(accesslists::portAccess()).fill(); }
void TMainWnd::AddPortAActionExecute() { list(accesslists::portAccess()).add(); }
void TMainWnd::EditPortAActionExecute() { list(accesslists::portAccess()).edit(); }
void TMainWnd::DeletePortAActionExecute() { list(accesslists::portAccess()).remove(); }
void TMainWnd::LPortADblClick() { list(accesslists::portAccess()).doubleClick(); }
void TMainWnd::LPortAKeyDown(int key) { list(accesslists::portAccess()).keyDown(key); }

void TMainWnd::SetPortBActionExecute() { list(accesslists::portBlocks()).fill(); }
void TMainWnd::AddPortBActionExecute() { list(accesslists::portBlocks()).add(); }
void TMainWnd::EditPortBActionExecute() { list(accesslists::portBlocks()).edit(); }
void TMainWnd::DeletePortBActionExecute() { list(accesslists::portBlocks()).remove(); }
void TMainWnd::LPortBDblClick() { list(accesslists::portBlocks()).doubleClick(); }
void TMainWnd::LPortBKeyDown(int key) { list(accesslists::portBlocks()).keyDown(key); }

void TMainWnd::SetTimeActionExecute() { list(accesslists::times()).fill(); }
void TMainWnd::AddTimeActionExecute() { list(accesslists::times()).add(); }
void TMainWnd::EditTimeActionExecute() { list(accesslists::times()).edit(); }
void TMainWnd::DeleteTimeActionExecute() { list(accesslists::times()).remove(); }
void TMainWnd::LTimeDblClick() { list(accesslists::times()).doubleClick(); }
void TMainWnd::LTimeKeyDown(int key) { list(accesslists::times()).keyDown(key); }

void TMainWnd::SetAuthActionExecute() { list(accesslists::authorization()).fill(); }
void TMainWnd::AddAuthActionExecute() { list(accesslists::authorization()).add(); }
void TMainWnd::EditAuthActionExecute() { list(accesslists::authorization()).edit(); }
void TMainWnd::DeleteAuthActionExecute() { list(accesslists::authorization()).remove(); }
void TMainWnd::LAuthDblClick() { list(accesslists::authorization()).doubleClick(); }
void TMainWnd::LAuthKeyDown(int key) { list(accesslists::authorization()).keyDown(key); }

void TMainWnd::ShowGroupNotFound() { ::ShowGroupNotFound(this); }

void TMainWnd::AddSkipActionExecute() { list(CacheSkipEditor::list()).add(); }
void TMainWnd::EditSkipActionExecute() { list(CacheSkipEditor::list()).edit(); }
void TMainWnd::DeleteSkipActionExecute() { list(CacheSkipEditor::list()).remove(); }
void TMainWnd::UpdateSkipActionExecute() { messages::guarded(this, [this] { cacheSkipEditor_->sort(list(CacheSkipEditor::list())); }); }
void TMainWnd::CacheSkipRulesDblClick() { list(CacheSkipEditor::list()).doubleClick(); }
void TMainWnd::CacheSkipRulesKeyDown(int key) { list(CacheSkipEditor::list()).keyDown(key); }

void TMainWnd::AddMServiceActionExecute() { list(manualServiceList()).add(); }
void TMainWnd::EditMServiceActionExecute() { list(manualServiceList()).edit(); }
void TMainWnd::DeleteMServiceActionExecute() { list(manualServiceList()).remove(); }
void TMainWnd::RouterRulesDblClick() { list(manualServiceList()).doubleClick(); }
void TMainWnd::RouterRulesKeyDown(int key) { list(manualServiceList()).keyDown(key); }

void TMainWnd::AddPopActionExecute() { runPopupEntry(PopupEntry::Add); }
void TMainWnd::EditPopActionExecute() { runPopupEntry(PopupEntry::Edit); }
void TMainWnd::DeletePopActionExecute() { runPopupEntry(PopupEntry::Delete); }
// clang-format on

void TMainWnd::runPopupEntry(PopupEntry entry) {
    BoundList* shown = popupList();
    if (!shown || !shown->popup(entry))
        messages::notice(this, QStringLiteral("NoRules"));
}
