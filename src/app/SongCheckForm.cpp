#include "app/SongCheckForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

TSongCheckForm::TSongCheckForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SongCheckForm"));
  auto* layout = new QVBoxLayout(this);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("L_Summary"));
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("LB_Findings"));
  list_->setRootIsDecorated(false);
  list_->setAlternatingRowColors(true);
  // Findings are sentences: wrapped in their column, never cut off.
  list_->setWordWrap(true);
  list_->setTextElideMode(Qt::ElideNone);
  list_->setColumnCount(5);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  widthLabel_ = new QLabel(this);
  widthLabel_->setObjectName(QStringLiteral("L_KeyboardWidth"));
  width_ = new QSpinBox(this);
  width_->setObjectName(QStringLiteral("SE_KeyboardWidth"));
  width_->setRange(0, 255);
  widthLabel_->setBuddy(width_);
  again_ = new QPushButton(this);
  again_->setObjectName(QStringLiteral("Btn_CheckAgain"));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(widthLabel_);
  bottom->addWidget(width_);
  bottom->addStretch(1);
  bottom->addWidget(again_);
  layout->addWidget(summary_);
  layout->addWidget(list_);
  layout->addLayout(bottom);
  auto check = [this] {
    if (OnCheck) OnCheck();
  };
  connect(width_, &QSpinBox::valueChanged, this, check);
  connect(again_, &QPushButton::clicked, this, check);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { GoTo(list_->indexOfTopLevelItem(item)); });
  resize(1000, 460);
  ApplyCaptions();
}

void TSongCheckForm::ApplyCaptions() {
  setWindowTitle(T("Song prüfen", "Check song") + QStringLiteral(" - Cantovex 3"));
  widthLabel_->setText(T("&Keyboard-Anzeige, Zeichen je Zeile:", "&Keyboard display, characters per line:"));
  width_->setSpecialValueText(T("nicht prüfen", "not checked"));
  again_->setText(T("&Erneut prüfen", "Check &again"));
  list_->setHeaderLabels({T("Schwere", "Severity"), T("Position", "Position"), T("Wo", "Where"), T("Silbe", "Syllable"),
                          T("Befund", "Finding")});
  int errors = 0;
  for (const cv::TSongFinding& f : findings_) errors += f.Severity == cv::TFindingSeverity::Error;
  const int warnings = static_cast<int>(findings_.size()) - errors;
  summary_->setText(findings_.empty()
                        ? T("Keine Befunde: das Lied ist bereit.", "No findings: the song is ready.")
                        : T("%1 Fehler, %2 Warnungen. Doppelklick geht zur Silbe.",
                            "%1 errors, %2 warnings. A double click goes to the syllable.")
                              .arg(errors)
                              .arg(warnings));
  list_->clear();
  for (const cv::TSongFinding& f : findings_) {
    const bool error = f.Severity == cv::TFindingSeverity::Error;
    QString text = QString::fromStdU16String(f.Text);
    if (text == QStringLiteral("\r")) text = T("(Zeilenende)", "(line end)");
    auto* item = new QTreeWidgetItem(
        list_, {error ? T("Fehler", "Error") : T("Warnung", "Warning"), QString::fromStdU16String(f.MTC),
                f.Source == cv::TFindingSource::File ? T("Datei", "File") : T("Lied", "Song"), text,
                QString::fromStdString(f.Message)});
    const QString action = f.Kind == "starts-too-early" ? T("Doppelklick: Vorlauf einfügen", "Double click: insert a lead-in")
                                                         : T("Doppelklick: zur Silbe", "Double click: go to the syllable");
    item->setToolTip(4, QString::fromStdString(f.Message) + QStringLiteral("\n") + QString::fromStdString(f.Kind) +
                            QStringLiteral("\n") + action);
    if (error) item->setForeground(0, QColor(0xd0, 0x30, 0x30));
  }
  // The short columns take what they need; the finding takes the rest and wraps in it (a column
  // sized to its longest line would run past the window and be cut).
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(4, QHeaderView::Stretch);
  list_->header()->setStretchLastSection(true);
}

void TSongCheckForm::SetFindings(std::vector<cv::TSongFinding> findings) {
  findings_ = std::move(findings);
  ApplyCaptions();
}

int TSongCheckForm::KeyboardWidth() const { return width_->value(); }

void TSongCheckForm::SetKeyboardWidth(int width) {
  const QSignalBlocker block(width_);
  width_->setValue(width);
}

void TSongCheckForm::GoTo(int row) {
  if (row < 0 || row >= static_cast<int>(findings_.size()) || !OnGoTo) return;
  OnGoTo(findings_[static_cast<size_t>(row)]);
}

}  // namespace cvapp
