#include "engine/data_manager.h"

#include "platform/data/dataset.h"

namespace qr2vor {

TReportDataManager::TReportDataManager(TVoReport& report)
    : report_(report), default_(std::make_unique<TVoRDataManager>(nullptr)) {}

TReportDataManager::~TReportDataManager() = default;

TVoRDataManager& TReportDataManager::Chosen() const {
  return report_.DataManager() != nullptr ? *report_.DataManager() : *default_;
}

TVoRDataManager& TReportDataManager::Effective() {
  TVoRDataManager& manager = Chosen();
  TVoRDatasets& list = *manager.Datasets();
  const bool usable = list.Count() > 0 && (&manager == report_.DataManager() ||
                                           list.Items(0)->Dataset() == report_.DataSet());
  if (!usable) {
    const TComponent& root = report_.Owner() != nullptr ? *report_.Owner() : report_;
    manager.Fill(root, report_.DataSet());
  }
  return manager;
}

int TReportDataManager::DataSetCount() const { return Chosen().Datasets()->Count(); }

TDataSet* TReportDataManager::DataSet(int index) const {
  return Chosen().Datasets()->Items(index)->Dataset();
}

std::string TReportDataManager::DataSetCaption(int index) const {
  return Chosen().Datasets()->Items(index)->Caption();
}

}  // namespace qr2vor
