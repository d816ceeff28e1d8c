#pragma once

#include <string>

#include <gtest/gtest.h>

#include "expr/expr_data.h"
#include "platform/data/memory_dataset.h"

namespace qr2vor {

// Two data sets: Orders (entry "Main") with one record of every kind of field the expression
// rules treat differently, and Customers (entry "Cust"). The callback knows PageNo (3),
// ReportTitle ("Sales") and Today (1 January 2000).
class ExprTestData : public ::testing::Test {
 protected:
  ExprTestData() {
    orders_.SetName("Orders");
    orders_.AddFieldDef("x", ftInteger);
    orders_.AddFieldDef("y", ftInteger);
    orders_.AddFieldDef("Name", ftString, 20);
    orders_.AddFieldDef("Order Date", ftDateTime);
    orders_.AddFieldDef("Amount", ftFloat);
    orders_.AddFieldDef("Notes", ftMemo);
    orders_.AddFieldDef("Counter", ftWord);
    orders_.AddFieldDef("Price", ftBCD);
    orders_.AddCalculatedField("Calc", ftInteger);
    orders_.AppendRecord(
        {21, Variant::Null(), "Smith", Variant::FromDate(36526), 2.5, "memo", 5, Currency{12500}});
    orders_.Open();
    customers_.SetName("Customers");
    customers_.AddFieldDef("City", ftString, 20);
    customers_.AppendRecord({"Paris"});
    customers_.Open();
    dataSets_.Add(&orders_, "Main");
    dataSets_.Add(&customers_, "Cust");
  }

  static void Variables(const std::string& name, Variant& value, TFieldType& type, bool& handled) {
    if (name == "PageNo") {
      value = 3;
      type = ftInteger;
    } else if (name == "ReportTitle") {
      value = "Sales";
    } else if (name == "Today") {
      value = Variant::FromDate(36526);
      type = ftDate;
    } else {
      return;
    }
    handled = true;
  }

  TMemoryDataSet orders_{nullptr};
  TMemoryDataSet customers_{nullptr};
  ExprDataSetList dataSets_;
  ExprVariableCallback callback_ = Variables;
};

}  // namespace qr2vor
