#pragma once
// Browser and plot windows that record what their project asks of them.
#include <QWidget>
#include <string>
#include <vector>

#include "GuiFixture.h"
#include "project/ProjectWindows.h"

class TFakeBrowser : public QWidget, public TBrowserWindow {
 public:
  explicit TFakeBrowser(std::vector<std::string>& Calls) : Calls(Calls) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Browser"));
  }
  QWidget* Window() override { return this; }
  void SetProject(const TProject& Project, TWindowOwner&) override {
    Calls.push_back(Project.Definition ? "browser project" : "browser project without definition");
  }
  void AppendFrames(int Source, const TData& Data) override {
    Calls.push_back("browser append " + std::to_string(Source) + " " + std::to_string(Data.Index().size()));
  }
  void FocusSerial(std::int64_t SerialNo) override { Calls.push_back("browser focus " + std::to_string(SerialNo)); }

 private:
  std::vector<std::string>& Calls;
};

class TFakePlot : public QWidget, public TPlotWindow {
 public:
  explicit TFakePlot(std::vector<std::string>& Calls) : Calls(Calls) { setAttribute(Qt::WA_DeleteOnClose); }
  QWidget* Window() override { return this; }
  void SetProject(const TProject&, TWindowOwner&) override { Calls.push_back("plot project"); }
  void SetSeries(const QString& FrameName, const QString& VarName, const QString& SortVar) override {
    Calls.push_back(("plot series [" + FrameName + "] [" + VarName + "] [" + SortVar + "]").toStdString());
  }
  void SetHolders(TData* A, TData* B) override {
    Calls.push_back("plot frames " + std::to_string(A ? A->Index().size() : 0) + " " +
                    std::to_string(B ? B->Index().size() : 0));
  }
  void RefreshSeries() override { Calls.push_back("plot refresh"); }
  void ResetView() override { Calls.push_back("plot reset"); }
  void AddVariable(const QString&, const QString&) override {}

 private:
  std::vector<std::string>& Calls;
};

// Makers of the fakes, which record into Calls.
struct TFakeWindows {
  TWindowMakers Makers() {
    return {[this] { return new TFakeBrowser(Calls); }, [this] { return new TFakePlot(Calls); }};
  }
  std::vector<std::string> Calls;
};
