// The parameter window and the progress window of a report run under the offscreen platform:
// the parameter window's geometry read back from its widgets, its states written back through
// OK, and a run inside the progress window with Cancel pressed.

#include <stdexcept>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/gui/parameter_window.h"
#include "app/gui/progress_window.h"
#include "report/report.h"

namespace qr2vor {

namespace {

TVoRParameter* AddParameter(TVoReport& report, const char* name, TVoRParameterEditor editor,
                            const Variant& value, const QStringList& items = {}) {
  TVoRParameter* parameter = report.Parameters()->Add();
  parameter->SetName(name);
  parameter->SetDisplayLabel(name);
  parameter->SetParameterEditor(editor);
  parameter->SetValue(value);
  for (const QString& item : items) parameter->ParamPromptValues()->Add(item.toStdString());
  return parameter;
}

}  // namespace

class RunWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void ParameterWindowStandsWhereTheModelSays();
  void ParameterWindowShowsAndReturnsTheEditorStates();
  void CancelledParameterWindowChangesNothing();
  void ProgressWindowRunsTheWorkWhileShownAndCancels();
  void ProgressWindowPassesAFailureOnAndCloses();
};

void RunWindowsTest::ParameterWindowStandsWhereTheModelSays() {
  TVoReport report(nullptr);
  for (const char* name : {"From", "To", "Region"}) AddParameter(report, name, peEdit, Variant());
  const std::optional<TParameterPrompt> prompt = BuildParameterPrompt(report);
  QVERIFY(prompt);
  TParameterWindow window(*prompt);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.windowTitle(), QStringLiteral("Report parameters"));
  QCOMPARE(window.size(), QSize(225, 146));
  QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
  const QList<QRect> expected = {{5, 12, 100, 17},   {110, 8, 100, 21}, {5, 43, 100, 17},
                                 {110, 39, 100, 21}, {5, 74, 100, 17},  {110, 70, 100, 21},
                                 {65, 111, 75, 25},  {145, 111, 75, 25}};
  for (int i = 0; i < expected.size(); ++i) {
    QCOMPARE(window.ControlWidget(i)->geometry(), expected[i]);
  }
  auto* caption = qobject_cast<QLabel*>(window.ControlWidget(4));
  QVERIFY(caption);
  QCOMPARE(caption->text(), QStringLiteral("Region"));
  QVERIFY(caption->alignment() & Qt::AlignRight);
  QVERIFY(qobject_cast<QLineEdit*>(window.ControlWidget(5)));
  auto* ok = qobject_cast<QPushButton*>(window.ControlWidget(6));
  QVERIFY(ok);
  QCOMPARE(ok->text(), QStringLiteral("&OK"));
  QVERIFY(ok->isDefault());
  QCOMPARE(qobject_cast<QPushButton*>(window.ControlWidget(7))->text(), QStringLiteral("&Cancel"));
}

void RunWindowsTest::ParameterWindowShowsAndReturnsTheEditorStates() {
  TVoReport report(nullptr);
  AddParameter(report, "Paid", peCheckBox, Variant::Null());
  AddParameter(report, "Kind", peCombobox, Variant(2), {"a", "b", "c"});
  AddParameter(report, "Typed", peCombobox, Variant(), {"a"});
  AddParameter(report, "Region", peListBox, Variant("zz"), {"N", "S"});
  AddParameter(report, "Notes", peMemo, Variant("one\r\ntwo"));
  AddParameter(report, "Count", peEdit, Variant(5));
  QWidget parent;
  TQtParameterDialog dialog(&parent);
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* window = dynamic_cast<TParameterWindow*>(QApplication::activeModalWidget());
    QVERIFY(window);
    seen = true;
    auto* paid = qobject_cast<QCheckBox*>(window->ControlWidget(1));
    auto* kind = qobject_cast<QComboBox*>(window->ControlWidget(3));
    auto* typed = qobject_cast<QComboBox*>(window->ControlWidget(5));
    auto* region = qobject_cast<QListWidget*>(window->ControlWidget(7));
    auto* notes = qobject_cast<QPlainTextEdit*>(window->ControlWidget(9));
    auto* count = qobject_cast<QLineEdit*>(window->ControlWidget(11));
    QVERIFY(paid && kind && typed && region && notes && count);
    // Tops: check box 8 (17 high), combo boxes 35 and 66 (21), list box 97, memo 204, edit 303.
    QCOMPARE(window->ControlWidget(7)->geometry(), QRect(110, 97, 100, 97));
    QCOMPARE(window->ControlWidget(11)->geometry(), QRect(110, 303, 100, 21));
    QCOMPARE(window->size(), QSize(225, 379));
    QVERIFY(!paid->isChecked());
    QCOMPARE(kind->currentIndex(), 2);
    QCOMPARE(kind->currentText(), QStringLiteral("c"));
    QVERIFY(kind->isEditable());
    QCOMPARE(region->currentRow(), -1);
    QVERIFY(region->selectedItems().isEmpty());
    QCOMPARE(notes->toPlainText(), QStringLiteral("one\ntwo"));
    QCOMPARE(count->text(), QStringLiteral("5"));
    typed->setEditText(QStringLiteral("new"));  // typed over the first item
    region->setCurrentRow(1);
    notes->setPlainText(QStringLiteral("x\ny"));
    QTest::mouseClick(window->ControlWidget(12), Qt::LeftButton);
  });
  QVERIFY(AskParameters(report, dialog));
  QVERIFY(seen);
  const TVoRParameters& parameters = *report.Parameters();
  QCOMPARE(parameters.Items(0)->Value().Type(), varBoolean);
  QCOMPARE(parameters.Items(0)->Value().AsBoolean(), false);
  QCOMPARE(parameters.Items(1)->Value().AsString(), std::string("c"));
  QCOMPARE(parameters.Items(2)->Value().AsString(), std::string("new"));
  QCOMPARE(parameters.Items(3)->Value().AsString(), std::string("S"));
  QCOMPARE(parameters.Items(4)->Value().AsString(), std::string("x\r\ny"));
  QCOMPARE(parameters.Items(5)->Value().Type(), varString);
}

void RunWindowsTest::CancelledParameterWindowChangesNothing() {
  TVoReport report(nullptr);
  AddParameter(report, "Count", peEdit, Variant(5));
  TQtParameterDialog dialog(nullptr);
  QTimer::singleShot(0, [] {
    auto* window = dynamic_cast<TParameterWindow*>(QApplication::activeModalWidget());
    QVERIFY(window);
    qobject_cast<QLineEdit*>(window->ControlWidget(1))->setText(QStringLiteral("9"));
    QTest::keyClick(window, Qt::Key_Escape);
  });
  QVERIFY(!AskParameters(report, dialog));
  QCOMPARE(report.Parameters()->Items(0)->Value().AsInteger(), int64_t{5});
}

void RunWindowsTest::ProgressWindowRunsTheWorkWhileShownAndCancels() {
  TQtProgressWindow progress;
  progress.SetTitle("Sales");
  progress.SetCancelCaption("&Cancel");
  progress.SetText("Preparing...");
  QVERIFY(!progress.Bar()->isVisibleTo(&progress));
  int pages = 0;
  progress.Run([&] {
    QVERIFY(progress.isVisible());
    QVERIFY(progress.isModal());
    progress.SetRange(4);
    progress.SetPosition(1);
    QVERIFY(progress.Bar()->isVisible());
    while (!progress.Cancelled()) {
      if (++pages == 2) QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
      QVERIFY(pages < 10);
    }
  });
  QCOMPARE(pages, 2);
  QVERIFY(!progress.isVisible());
  QCOMPARE(progress.windowTitle(), QStringLiteral("Sales"));
  QCOMPARE(progress.CancelButton()->text(), QStringLiteral("&Cancel"));
  QCOMPARE(progress.Bar()->value(), 1);
  // A new run starts without the old Cancel; Escape cancels too, and does not close the window.
  bool cancelledAtStart = true;
  progress.Run([&] {
    cancelledAtStart = progress.Cancelled();
    QTest::keyClick(&progress, Qt::Key_Escape);
    QVERIFY(progress.Cancelled());
    QVERIFY(progress.isVisible());
  });
  QVERIFY(!cancelledAtStart);
}

void RunWindowsTest::ProgressWindowPassesAFailureOnAndCloses() {
  TQtProgressWindow progress;
  QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                           progress.Run([] { throw std::runtime_error("failed"); }));
  QVERIFY(!progress.isVisible());
}

}  // namespace qr2vor

QTEST_MAIN(qr2vor::RunWindowsTest)
#include "run_windows_test.moc"
