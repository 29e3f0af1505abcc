#pragma once
// What the plot suites share: a column found by its title, a cell's value, and a log opened with
// the window shown (the plot pane draws only what can be seen).

#include <QtTest>
#include <cmath>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "plotpane/PlotPane.h"
#include "table/CellText.h"
#include "view/CMeterlog2View.h"

// The column of the table titled `title`, or -1.
inline int ColumnIdByTitle(CMeterlog2View* view, const QString& title) {
  for (const ColumnInfo& info : view->GetColumnList().Entries())
    if (QString::fromStdString(info.strTitle) == title) return info.nColumnId;
  return -1;
}

inline double CellByTitle(CMeterlog2App& app, unsigned row, const QString& title) {
  return GetCellValue(app.GetDocument(), row, ColumnIdByTitle(app.GetView(), title)).value_or(NAN);
}

inline bool OpenShown(CMeterlog2App& app, const QString& path) {
  if (!app.InitInstance({path}, false)) return false;
  app.GetMainFrame()->show();
  if (!QTest::qWaitForWindowExposed(app.GetMainFrame())) return false;
  Child<meterlog2::plotpane::PlotPane>(app.GetMainFrame(), "plotPane")->DrawPending();
  return true;
}
