#include "portmap/ManualServiceDialog.h"

#include "ui_ManualServiceDialog.h"

TFMService::TFMService(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFMService) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    LPort = ui_->LPort;
    RPort = ui_->RPort;
    Server = ui_->Server;
    Service = ui_->Service;
    Count = ui_->Count;
    SQuery = ui_->SQuery;
    STimeout = ui_->STimeout;
    TTLdns = ui_->TTLdns;
    TimeWait = ui_->TimeWait;
    Comment = ui_->Comment;
    takeBounds("CR", {{1, LPort}, {2, RPort}, {5, Count}, {6, SQuery}, {7, STimeout}, {8, TTLdns}, {9, TimeWait}});
    finishForm();
}

TFMService::~TFMService() = default;

std::array<QLineEdit*, 10> TFMService::fields() const {
    return {LPort, RPort, Server, Service, Count, SQuery, STimeout, TTLdns, TimeWait, Comment};
}
