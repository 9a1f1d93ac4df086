// The fuzzy-set plotter window: it loads its stored engine, lists the
// engine's defined types, lists the terms of the chosen type and draws the
// chosen term's membership function. The window never runs the engine.
#pragma once

#include <memory>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include "InferenceEngineComponent.h"
#include "QtObjects.h"

namespace fxe {

class IFuzzyVariable;

class TForm1 final : public QWidget {
  Q_OBJECT

 public:
  // Reads the stored engine from storedFile, then fills the type list. A file
  // that cannot be read leaves the engine empty and says why in the window.
  explicit TForm1(const QString& storedFile, QWidget* parent = nullptr);
  ~TForm1() override;

  // The components, by their names.
  QChartView& Chart1() const noexcept { return *chart1_; }
  QLineSeries& Series1() const noexcept { return *series1_; }
  QListWidget& lbTypes() const noexcept { return *lbTypes_; }
  QListWidget& lbSets() const noexcept { return *lbSets_; }
  TInferenceEngine& InferenceEngine1() const noexcept { return engine1_->Engine(); }
  TQtObjectHost& ObjectHost() noexcept { return objectHost_; }

  // Why the stored engine could not be read; empty when it was.
  const QString& LoadError() const noexcept { return loadError_; }

  void FormCreate(QObject* Sender);
  void lbTypesClick(QObject* Sender);
  void lbSetsClick(QObject* Sender);

  // Writes the chart as an SVG drawing when the name ends in ".svg", as a PNG
  // image otherwise; raises when the file cannot be written.
  void SaveChart(const QString& fileName) const;

 private:
  void LoadStoredEngine(const QString& storedFile);
  // The variable of the defined type named by the selected type, or nullptr.
  IFuzzyVariable* SelectedVariable() const;
  void SaveChartClick();
  void ShowMessage(const QString& text);

  // Declared first so that it outlives the widgets it may have wrapped.
  TQtObjectHost objectHost_;
  QChartView* chart1_;
  QLineSeries* series1_;
  QValueAxis* axisX_;
  QValueAxis* axisY_;
  QListWidget* lbTypes_;
  QListWidget* lbSets_;
  QPushButton* btnSaveChart_;
  QLabel* lblMessage_;
  TInferenceEngineComponent* engine1_;
  QString loadError_;
};

}  // namespace fxe
