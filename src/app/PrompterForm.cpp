#include "app/PrompterForm.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "song/Language.h"

namespace cvapp {

namespace {

QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }

QLabel* BigLabel(QWidget* parent, const char* name, int points, bool bold) {
  auto* l = new QLabel(parent);
  l->setObjectName(QLatin1String(name));
  l->setAlignment(Qt::AlignCenter);
  l->setWordWrap(true);
  l->setTextFormat(Qt::RichText);
  QFont f = l->font();
  f.setPointSize(points);
  f.setBold(bold);
  l->setFont(f);
  return l;
}

}  // namespace

TPrompterForm::TPrompterForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("PrompterForm"));
  auto* layout = new QVBoxLayout(this);
  source_ = new QLabel(this);
  source_->setObjectName(QStringLiteral("L_Source"));
  display_ = new QTextEdit(this);
  display_->setObjectName(QStringLiteral("M_Display"));
  display_->setReadOnly(true);
  display_->setLineWrapMode(QTextEdit::FixedColumnWidth);
  display_->setLineWrapColumnOrWidth(80);
  QFont mono(QStringLiteral("Monospace"));
  mono.setStyleHint(QFont::TypeWriter);
  display_->setFont(mono);
  countIn_ = BigLabel(this, "L_CountIn", 28, true);
  current_ = BigLabel(this, "L_CurrentLine", 34, true);
  next_ = BigLabel(this, "L_NextLine", 26, false);
  fullScreen_ = new QPushButton(this);
  fullScreen_->setObjectName(QStringLiteral("Btn_FullScreen"));
  connect(fullScreen_, &QPushButton::clicked, this, &TPrompterForm::ToggleFullScreen);
  layout->addWidget(source_);
  layout->addWidget(display_, 2);
  layout->addWidget(countIn_);
  layout->addWidget(current_, 1);
  layout->addWidget(next_, 1);
  layout->addWidget(fullScreen_, 0, Qt::AlignRight);
  timer_ = new QTimer(this);
  timer_->setInterval(30);
  connect(timer_, &QTimer::timeout, this, &TPrompterForm::Refresh);
  resize(900, 640);
  ApplyCaptions();
}

void TPrompterForm::ApplyCaptions() {
  setWindowTitle(T("Souffleur", "Prompter") + QStringLiteral(" - Cantovex 3"));
  fullScreen_->setText(isFullScreen() ? T("Fenster", "Window") : T("Vollbild", "Full screen"));
  source_->setText(script_.FromPrompta ? T("Anzeige des Prompta (aus seinen Daten)", "The prompter's display (from its data)")
                                       : T("Liedtext-Anzeige eines Keyboards (aus den Lyric-Ereignissen)",
                                           "A keyboard's lyrics page (from the lyric events)"));
}

void TPrompterForm::SetScript(cv::TPrompterScript script) {
  script_ = std::move(script);
  shownLine_ = -2;
  ApplyCaptions();
  Refresh();
}

QString TPrompterForm::CurrentLineText() const { return QTextDocumentFragment::fromHtml(current_->text()).toPlainText(); }
QString TPrompterForm::NextLineText() const { return QTextDocumentFragment::fromHtml(next_->text()).toPlainText(); }
QString TPrompterForm::CountInText() const { return countIn_->text(); }
QString TPrompterForm::DisplayHtml() const { return display_->toHtml(); }

void TPrompterForm::Refresh() {
  const cv::TPrompterMoment m = cv::PrompterMomentAt(script_, Now ? Now() : 0);
  moment_ = m;
  if (m.Line == shownLine_ && m.Column == shownColumn_ && m.CountIn == shownCount_) return;
  shownLine_ = m.Line;
  shownColumn_ = m.Column;
  shownCount_ = m.CountIn;
  const int lines = static_cast<int>(script_.Lines.size());
  auto line = [&](int i) { return i >= 0 && i < lines ? Q(script_.Lines[static_cast<size_t>(i)]) : QString(); };
  // The sung part in the highlight colour, the rest as it waits.
  auto marked = [&](const QString& text, int sung) {
    const int n = std::clamp(sung, 0, static_cast<int>(text.size()));
    return QStringLiteral("<span style=\"color:#e0a000\">%1</span>%2")
        .arg(text.left(n).toHtmlEscaped(), text.mid(n).toHtmlEscaped());
  };
  countIn_->setText(m.CountIn > 0 ? QString::number(m.CountIn) : QString());
  current_->setText(m.Line >= 0 ? marked(line(m.Line), m.Column) : QString());
  next_->setText(line(m.NextLine).toHtmlEscaped());
  QString html = QStringLiteral("<pre style=\"margin:0\">");
  for (int i = 0; i < lines; ++i) {
    const int sung = i < m.Line ? INT32_MAX : i == m.Line ? m.Column : 0;
    html += marked(line(i), sung) + QStringLiteral("\n");
  }
  display_->setHtml(html + QStringLiteral("</pre>"));
}

void TPrompterForm::ToggleFullScreen() {
  if (isFullScreen()) {
    showNormal();
  } else {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!screens.isEmpty()) {
      if (!windowHandle()) create();
      windowHandle()->setScreen(screens.back());
      setGeometry(screens.back()->geometry());
    }
    showFullScreen();
  }
  ApplyCaptions();
}

void TPrompterForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  timer_->start();
}

void TPrompterForm::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

void TPrompterForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && isFullScreen()) {
    ToggleFullScreen();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace cvapp
