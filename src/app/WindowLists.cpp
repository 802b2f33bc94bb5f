#include "app/WindowLists.h"

#include "access/AccessLists.h"
#include "access/GroupChoice.h"
#include "access/GroupEditor.h"
#include "access/RuleEditor.h"
#include "base/ListModels.h"
#include "base/MessageBoxes.h"
#include "base/RowOrder.h"
#include "cacheskip/CacheSkipEditor.h"
#include "document/Configuration.h"
#include "portmap/ServiceEditor.h"
#include "portmap/ServiceList.h"

#include <QMainWindow>
#include <QTableView>

WindowLists::WindowLists(QMainWindow* window, Configuration& configuration, std::array<QLineEdit*, 3> standardFields,
                         QLineEdit* proxyPort)
    : ListViews(window), groupChoice_(std::make_unique<GroupChoice>(configuration.groups())),
      groups_(std::make_unique<GroupEditor>(window, configuration.groups(), *this, *groupChoice_)),
      rules_(std::make_unique<RuleEditor>(window, configuration.groups(), *this, *groupChoice_)),
      cacheSkip_(std::make_unique<CacheSkipEditor>(window, configuration.cacheSkipLines())),
      manualServices_(std::make_unique<ManualServiceEditor>(
          window, configuration.manualServices(), configuration.standardServices(), standardFields, proxyPort)) {
    for (const ListDescriptor* descriptor : accesslists::all())
        bindList(*descriptor, descriptor == &accesslists::groups() ? static_cast<ListActions&>(*groups_) : *rules_,
                 configuration);
    bindList(CacheSkipEditor::list(), *cacheSkip_, configuration);
    bindList(manualServiceList(), *manualServices_, configuration);
}

WindowLists::~WindowLists() = default;

void WindowLists::bindList(const ListDescriptor& descriptor, ListActions& actions, Configuration& configuration) {
    const ListSources sources{configuration.groups(), configuration.cacheSkipLines(), configuration.manualServices()};
    const QAbstractItemModel* model = bind(descriptor, makeLineModel(descriptor, sources), &actions).model;
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, &WindowLists::rowsChanged);
    connect(model, &QAbstractItemModel::dataChanged, this, &WindowLists::rowsChanged);
    connect(model, &QAbstractItemModel::modelReset, this, &WindowLists::rowsChanged);
}

void WindowLists::replaceRules(std::size_t file, const std::function<void()>& change) {
    if (file == 0) {
        change();
        fillAccessLists();
    } else if (file == 1) {
        qobject_cast<FileLinesModel*>(of(CacheSkipEditor::list()).model)->replacing(change);
    } else {
        qobject_cast<FileLinesModel*>(of(manualServiceList()).model)->replacing(change);
        manualServices_->showStandardServices();
    }
}

void WindowLists::fillAccessLists() {
    for (const ListDescriptor* descriptor : accesslists::all())
        of(*descriptor).fill();
}

void WindowLists::sortCacheSkip(int column) {
    BoundList& shown = of(CacheSkipEditor::list());
    messages::guarded(shown.view->window(), [this, &shown, column] {
        const Qt::SortOrder order = shown.proxy->nextOrder(column);
        cacheSkip_->sort(shown, order);
        shown.proxy->markSorted(column, order);
    });
}

void WindowLists::sortView(QAbstractItemView* view, int column) {
    if (const BoundList* shown = find(static_cast<const QObject*>(view)))
        shown->proxy->sortByClick(column);
}
