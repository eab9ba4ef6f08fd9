#include "app/PrompterForm.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
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
  timer_->start();
  resize(900, 640);
  ApplyCaptions();
}

void TPrompterForm::ApplyCaptions() {
  setWindowTitle(T("Souffleur", "Prompter") + QStringLiteral(" - Cantovex 3"));
  fullScreen_->setText(isFullScreen() ? T("Fenster", "Window") : T("Vollbild", "Full screen"));
  QString source = script_.FromPrompta ? T("Anzeige des Prompta", "The prompter's display")
                                       : T("Liedtext-Anzeige eines Keyboards", "A keyboard's lyrics page");
  if (!live_)
    source += T(" – Vorschau an der Position des Players", " – preview at the player's position");
  else if (script_.FromPrompta && stream_.Held().Lines.empty())
    source += T(" – noch kein Text empfangen: der Prompta bekommt ihn, wenn das Lied von vorn spielt",
                " – no text received yet: the prompter gets it when the song plays from its start");
  else
    source += T(" – wie gesendet", " – as sent");
  source_->setText(source);
}

void TPrompterForm::SetScript(cv::TPrompterScript script, bool newSong) {
  if (newSong || script.Controller != script_.Controller || script.Channel != script_.Channel)
    stream_.Reset(script.Controller, script.Channel);
  script_ = std::move(script);
  shownState_.clear();
  Refresh();
}

QString TPrompterForm::CurrentLineText() const { return QTextDocumentFragment::fromHtml(current_->text()).toPlainText(); }
QString TPrompterForm::NextLineText() const { return QTextDocumentFragment::fromHtml(next_->text()).toPlainText(); }
QString TPrompterForm::CountInText() const { return countIn_->text(); }
QString TPrompterForm::DisplayHtml() const { return display_->toHtml(); }

void TPrompterForm::FollowSong() {
  followed_.start();
  if (!Source) return;
  cv::TPrompterScript script = Source();
  if (!(script == script_)) SetScript(std::move(script));
}

void TPrompterForm::Refresh() {
  const int32_t now = Now ? Now() : 0;
  stream_.Advance(now);
  if (!isVisible()) return;
  // Not while a dialog is open: a command may be halfway through changing the song.
  if ((!followed_.isValid() || followed_.elapsed() >= 300) && !QApplication::activeModalWidget()) FollowSong();
  live_ = Playing && Playing();
  const std::vector<std::u16string>& lines = live_ ? cv::PrompterLinesHeard(script_, stream_) : script_.Lines;
  moment_ = live_ ? cv::PrompterMomentHeard(script_, stream_, now) : cv::PrompterMomentAt(script_, now);
  const cv::TPrompterMoment& m = moment_;
  const int count = static_cast<int>(lines.size());
  auto line = [&](int i) { return i >= 0 && i < count ? Q(lines[static_cast<size_t>(i)]) : QString(); };
  // The sung part in the highlight colour, the rest as it waits.
  auto marked = [&](const QString& text, int sung) {
    const int n = std::clamp(sung, 0, static_cast<int>(text.size()));
    return QStringLiteral("<span style=\"color:#e0a000\">%1</span>%2")
        .arg(text.left(n).toHtmlEscaped(), text.mid(n).toHtmlEscaped());
  };
  QString html = QStringLiteral("<pre style=\"margin:0\">");
  for (int i = 0; i < count; ++i) {
    const int sung = i < m.Line ? INT32_MAX : i == m.Line ? m.Column : 0;
    html += marked(line(i), sung) + QStringLiteral("\n");
  }
  html += QStringLiteral("</pre>");
  const QString state = html + QString::number(m.CountIn) + (live_ ? QStringLiteral("live") : QString());
  if (state == shownState_) return;
  shownState_ = state;
  ApplyCaptions();
  countIn_->setText(m.CountIn > 0 ? QString::number(m.CountIn) : QString());
  current_->setText(m.Line >= 0 ? marked(line(m.Line), m.Column) : QString());
  next_->setText(line(m.NextLine).toHtmlEscaped());
  display_->setHtml(html);
  // The line being sung (or waiting) stays in the middle of the display.
  const int focus = std::clamp(m.Line >= 0 ? m.Line : m.NextLine, 0, std::max(0, count - 1));
  int position = 0;
  for (int i = 0; i < focus; ++i) position += static_cast<int>(lines[static_cast<size_t>(i)].size()) + 1;
  QTextCursor cursor(display_->document());
  cursor.setPosition(std::min(position, display_->document()->characterCount() - 1));
  display_->setTextCursor(cursor);
  QScrollBar* bar = display_->verticalScrollBar();
  bar->setValue(bar->value() + display_->cursorRect().center().y() - display_->viewport()->height() / 2);
}

QScreen* TPrompterForm::StageScreen() const {
  QScreen* home = parentWidget() ? parentWidget()->screen() : screen();
  const QList<QScreen*> screens = QGuiApplication::screens();
  for (auto it = screens.rbegin(); it != screens.rend(); ++it)
    if (*it != home) return *it;
  return home;
}

void TPrompterForm::FitInto(const QRect& area) {
  const QSize size = QSize(900, 640).boundedTo(area.size() * 9 / 10);
  resize(size);
  move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void TPrompterForm::ToggleFullScreen() {
  if (isFullScreen()) {
    showNormal();
    // Back where it was, title bar and all, whatever size full screen had.
    if (windowGeometry_.isValid()) {
      if (QScreen* home = QGuiApplication::screenAt(windowGeometry_.center()); home && windowHandle())
        windowHandle()->setScreen(home);
      setGeometry(windowGeometry_);
    }
  } else if (QScreen* stage = StageScreen()) {
    windowGeometry_ = geometry();
    if (!windowHandle()) create();
    windowHandle()->setScreen(stage);
    setGeometry(stage->geometry());
    showFullScreen();
  }
  // On the stage only the lines to sing: the page list is for the desk.
  source_->setVisible(!isFullScreen());
  display_->setVisible(!isFullScreen());
  ApplyCaptions();
}

void TPrompterForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  shownState_.clear();
  timer_->setInterval(30);
}

// Hidden, it still follows the stream, so it shows what the device holds when it comes back.
void TPrompterForm::hideEvent(QHideEvent* event) {
  timer_->setInterval(200);
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
