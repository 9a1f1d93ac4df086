// The plotter window: its components laid out at fixed positions, the
// stored engine read at creation, and the handlers of the two lists.
#include "PlotMain.h"

#include <exception>
#include <vector>

#include <QFileDialog>
#include <QFileInfo>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QSvgGenerator>
#include <QtCharts/QChart>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEDefinedType.h"

namespace fxe {
namespace {

// Rows of the lists are this many pixels high.
constexpr int kItemHeight = 16;

QListWidget* NewList(QWidget& owner, const char* name, const QRect& geometry) {
  auto* list = new QListWidget(&owner);
  list->setObjectName(name);
  list->setGeometry(geometry);
  list->setStyleSheet(QStringLiteral("QListWidget::item { height: %1px; }").arg(kItemHeight));
  return list;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The variable's terms in term-table order. The table also files the empty
// set a fuzzy value without terms stands for; it is no term of the type and
// has nothing to draw.
std::vector<const IFuzzySet*> TermsOf(const IFuzzyVariable& variable) {
  std::vector<const IFuzzySet*> terms;
  for (std::int32_t i = 0; i < variable.TermCount(); ++i) {
    const IFuzzySet& set = variable.Term(i);
    if (set.IsTerm()) terms.push_back(&set);
  }
  return terms;
}

}  // namespace

TForm1::TForm1(const QString& storedFile, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Form1"));
  setGeometry(192, 124, 747, 309);

  auto* chart = new QChart();
  chart->setTitle(QStringLiteral("TChart"));
  chart->setBackgroundBrush(Qt::NoBrush);
  chart->setPlotAreaBackgroundBrush(Qt::white);
  chart->setPlotAreaBackgroundVisible(true);
  series1_ = new QLineSeries(chart);
  series1_->setObjectName(QStringLiteral("Series1"));
  series1_->setName(QStringLiteral("Series1"));
  series1_->setPen(QPen(Qt::red, 2));
  series1_->setPointsVisible(false);
  series1_->setPointLabelsVisible(false);
  chart->addSeries(series1_);
  axisX_ = new QValueAxis(chart);
  axisY_ = new QValueAxis(chart);
  axisY_->setRange(0, 1);
  chart->addAxis(axisX_, Qt::AlignBottom);
  chart->addAxis(axisY_, Qt::AlignLeft);
  series1_->attachAxis(axisX_);
  series1_->attachAxis(axisY_);
  // The view takes the chart over.
  chart1_ = new QChartView(chart, this);
  chart1_->setObjectName(QStringLiteral("Chart1"));
  chart1_->setGeometry(40, 8, 400, 250);
  chart1_->setRenderHint(QPainter::Antialiasing);

  lbTypes_ = NewList(*this, "lbTypes", QRect(448, 8, 145, 249));
  lbSets_ = NewList(*this, "lbSets", QRect(600, 8, 137, 249));
  setTabOrder(chart1_, lbTypes_);
  setTabOrder(lbTypes_, lbSets_);
  connect(lbTypes_, &QListWidget::currentRowChanged, this, [this] { lbTypesClick(lbTypes_); });
  connect(lbSets_, &QListWidget::currentRowChanged, this, [this] { lbSetsClick(lbSets_); });

  btnSaveChart_ = new QPushButton(tr("Save chart..."), this);
  btnSaveChart_->setObjectName(QStringLiteral("btnSaveChart"));
  btnSaveChart_->setGeometry(600, 270, 137, 27);
  connect(btnSaveChart_, &QPushButton::clicked, this, &TForm1::SaveChartClick);
  lblMessage_ = new QLabel(this);
  lblMessage_->setObjectName(QStringLiteral("lblMessage"));
  lblMessage_->setGeometry(40, 266, 552, 36);
  lblMessage_->setWordWrap(true);
  lblMessage_->setStyleSheet(QStringLiteral("color: #a00000;"));

  engine1_ = new TInferenceEngineComponent(this);
  engine1_->setObjectName(QStringLiteral("InferenceEngine1"));
  LoadStoredEngine(storedFile);
  FormCreate(this);
}

TForm1::~TForm1() {
  // The host goes before the components; the engine must not reach it after.
  InferenceEngine1().SetObjectHost(nullptr);
}

void TForm1::LoadStoredEngine(const QString& storedFile) {
  try {
    InferenceEngine1().LoadPropertiesFile(storedFile.toStdString());
  } catch (const std::exception& error) {
    loadError_ = QString::fromUtf8(error.what());
    engine1_->Renew();
    ShowMessage(loadError_);
  }
  objectHost_.SetEngineOwner(this);
  objectHost_.SetEngineHolder(engine1_);
  InferenceEngine1().SetObjectHost(&objectHost_);
}

void TForm1::ShowMessage(const QString& text) { lblMessage_->setText(text); }

void TForm1::FormCreate(QObject* /*Sender*/) {
  lbTypes_->clear();
  for (const auto& entry : InferenceEngine1().DefinedTypeTable()) lbTypes_->addItem(Text(entry.Key()));
}

IFuzzyVariable* TForm1::SelectedVariable() const {
  const QListWidgetItem* item = lbTypes_->currentItem();
  if (lbTypes_->currentRow() < 0 || !item) return nullptr;
  const TRef<IIEDefinedType> type = InferenceEngine1().FindDefinedType(item->text().toStdString());
  return type ? type->FuzzyVariable() : nullptr;
}

void TForm1::lbTypesClick(QObject* /*Sender*/) {
  series1_->clear();
  lbSets_->clear();
  if (const IFuzzyVariable* variable = SelectedVariable()) {
    for (const IFuzzySet* term : TermsOf(*variable)) lbSets_->addItem(Text(term->Name()));
  }
}

void TForm1::lbSetsClick(QObject* /*Sender*/) {
  series1_->clear();
  const int index = lbSets_->currentRow();
  const IFuzzyVariable* variable = index >= 0 ? SelectedVariable() : nullptr;
  if (!variable) return;
  const std::vector<const IFuzzySet*> terms = TermsOf(*variable);
  if (static_cast<std::size_t>(index) >= terms.size()) return;
  const IFuzzySet& term = *terms[static_cast<std::size_t>(index)];
  series1_->setName(Text(term.Name()));
  const TFuzzySetValues& values = term.Values();
  if (values.IsEmpty()) return;
  // Flat from the universe's left edge to the first point and from the last
  // point to its right edge: the membership function beyond the points.
  QList<QPointF> points;
  points.reserve(values.Count() + 2);
  points.append(QPointF(variable->Minimum(), values[0].Y()));
  for (const TFuzzySetValue& point : values) points.append(QPointF(point.X(), point.Y()));
  points.append(QPointF(variable->Maximum(), values[values.Count() - 1].Y()));
  series1_->replace(points);
  axisX_->setRange(variable->Minimum(), variable->Maximum());
}

void TForm1::SaveChart(const QString& fileName) const {
  bool written = false;
  if (QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
    QSvgGenerator generator;
    generator.setFileName(fileName);
    generator.setSize(chart1_->size());
    generator.setViewBox(chart1_->rect());
    generator.setTitle(series1_->name());
    QPainter painter;
    if (painter.begin(&generator)) {
      chart1_->render(&painter);
      written = painter.end();
    }
  } else {
    written = chart1_->grab().save(fileName, "PNG");
  }
  if (!written) Raise<EIEException>(IEConsts::SCannotWriteFile, fileName.toStdString(), IEConsts::SChartNotWritten);
}

void TForm1::SaveChartClick() {
  const QString fileName = QFileDialog::getSaveFileName(this, tr("Save chart"), series1_->name() + ".png",
                                                        tr("PNG image (*.png);;SVG drawing (*.svg)"));
  if (fileName.isEmpty()) return;
  try {
    SaveChart(fileName);
    ShowMessage(QString());
  } catch (const std::exception& error) {
    ShowMessage(QString::fromUtf8(error.what()));
  }
}

}  // namespace fxe
