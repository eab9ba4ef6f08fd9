#include "app/TimelineView.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "lyrics/SyllableMoves.h"
#include "session/SongSession.h"
#include "song/Language.h"
#include "song/SyllableTimes.h"

namespace cvapp {

namespace {

QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

constexpr int kBarRow = 18;
constexpr int kSecondsRow = 14;
constexpr int kBlockLane = 28;
constexpr double kMinTicksPerPixel = 0.05;

QString Qs(const std::u16string& s) { return QString::fromStdU16String(s); }

QString PitchName(int pitch) {
  static const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return QStringLiteral("%1%2").arg(QLatin1String(kNames[pitch % 12])).arg(pitch / 12 - 1);
}

QString SecondsText(int64_t ms) {
  const int64_t s = ms / 1000;
  return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

bool Wide(cv::TBlockKind kind) { return kind == cv::TBlockKind::Sung || kind == cv::TBlockKind::Header; }

}  // namespace

struct TTimelineView::TColours {
  QColor Background, Ruler, RulerText, Bar, Beat, Block, BlockEdge, Selected, SelectedEdge, Current, Header,
      BlockText, HeaderText, Break, Note, Hidden, Other, Finding, Playhead, Band;
};

TTimelineView::TColours TTimelineView::Colours() const {
  const bool dark = palette().color(QPalette::Window).lightness() < 128;
  if (dark)
    return {QColor(0x1e, 0x1f, 0x22), QColor(0x2b, 0x2d, 0x31), QColor(0xe0, 0xe0, 0xe0), QColor(0x5a, 0x5d, 0x63),
            QColor(0x33, 0x35, 0x3a), QColor(0x2f, 0x4f, 0x7a), QColor(0x5d, 0x8a, 0xd0), QColor(0x8a, 0x64, 0x14),
            QColor(0xf0, 0xb0, 0x30), QColor(0x2e, 0x6b, 0x35), QColor(0x3a, 0x3a, 0x3e), QColor(0xf0, 0xf0, 0xf0),
            QColor(0xa0, 0xa0, 0xa0), QColor(0xb0, 0xb0, 0xb0), QColor(0x6f, 0xa8, 0xff), QColor(0x8a, 0x8a, 0x8a),
            QColor(0x4a, 0x4c, 0x52), QColor(0xff, 0x6b, 0x6b), QColor(0xff, 0x52, 0x52), QColor(0x6f, 0xa8, 0xff, 60)};
  return {QColor(0xfb, 0xfb, 0xfb), QColor(0xe9, 0xe9, 0xeb), QColor(0x20, 0x20, 0x20), QColor(0xa8, 0xa8, 0xae),
          QColor(0xe2, 0xe2, 0xe6), QColor(0xcf, 0xe3, 0xff), QColor(0x5b, 0x8d, 0xe0), QColor(0xff, 0xd5, 0x7a),
          QColor(0xc0, 0x80, 0x00), QColor(0xa8, 0xe6, 0xa3), QColor(0xdc, 0xdc, 0xdc), QColor(0x10, 0x10, 0x10),
          QColor(0x60, 0x60, 0x60), QColor(0x50, 0x50, 0x50), QColor(0x2f, 0x62, 0xc8), QColor(0x90, 0x90, 0x90),
          QColor(0xcc, 0xcc, 0xd2), QColor(0xd3, 0x2f, 0x2f), QColor(0xe5, 0x39, 0x35), QColor(0x2f, 0x62, 0xc8, 50)};
}

TTimelineView::TTimelineView(cv::SongSession& session, QScrollBar* scroll, QWidget* parent)
    : QWidget(parent), session_(session), scroll_(scroll) {
  setObjectName(QStringLiteral("TimelineView"));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumHeight(kBarRow + kSecondsRow + kBlockLane + 60);
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
    origin_ = value;
    update();
  });
}

// ---------------------------------------------------------------- model and geometry

void TTimelineView::Refresh(bool force) {
  cv::Song& song = session_.CurrentSong();
  if (!song.MidiFileLoaded) {
    if (!model_.Empty()) {
      model_.Clear();
      selection_.clear();
      update();
    }
    builtFor_ = nullptr;
    return;
  }
  const uint64_t state = session_.History().StateId();
  const bool newSong = builtFor_ != &song || model_.Empty() || builtFile_ != song.MidiFileName;
  if (newSong || state != builtState_) {
    model_.Build(song);
  } else if (force) {
    model_.BuildSyllables(song, false);
  } else {
    update();
    return;
  }
  builtFor_ = &song;
  builtFile_ = song.MidiFileName;
  if (newSong) {
    // A new song starts at its beginning, a beat about sixty pixels wide.
    ticksPerPixel_ = std::max(kMinTicksPerPixel, song.SourceTimeBase / 60.0);
    origin_ = 0;
  }
  builtState_ = state;
  // The selection keeps what is still a sung syllable.
  const int count = song.HyphenArrayElements;
  std::erase_if(selection_, [&](int32_t i) {
    return i >= count || i >= static_cast<int>(song.HyphenArray.size()) || !cv::IsSungSyllable(song.HyphenArray[i]);
  });
  if (focus_ >= count) focus_ = -1;
  UpdateScrollBar();
  update();
}

int32_t TTimelineView::LastTick() const { return std::max(1, model_.EndTick()); }

void TTimelineView::UpdateScrollBar() {
  const QSignalBlocker block(scroll_);
  const int visible = static_cast<int>(std::min<double>(INT32_MAX / 2, width() * ticksPerPixel_));
  scroll_->setRange(0, std::max(0, LastTick() - visible / 2));
  scroll_->setPageStep(std::max(1, visible));
  scroll_->setSingleStep(std::max(1, visible / 10));
  origin_ = std::clamp(origin_, 0, scroll_->maximum());
  scroll_->setValue(origin_);
}

void TTimelineView::SetTicksPerPixel(double tpp, int anchorX) {
  // Out to the whole song (a short song may still be shown small).
  const double most = std::max(64.0, static_cast<double>(LastTick()) / std::max(1, width() - 8));
  tpp = std::clamp(tpp, kMinTicksPerPixel, most);
  if (anchorX < 0) anchorX = width() / 2;
  const int32_t anchor = TickAt(anchorX);
  ticksPerPixel_ = tpp;
  origin_ = static_cast<int32_t>(std::max<double>(0, anchor - anchorX * tpp));
  UpdateScrollBar();
  update();
  emit ZoomChanged();
}

void TTimelineView::ZoomBy(double factor, int anchorX) { SetTicksPerPixel(ticksPerPixel_ * factor, anchorX); }

void TTimelineView::ShowWholeSong() {
  SetTicksPerPixel(static_cast<double>(LastTick()) / std::max(1, width() - 8), 0);
  ScrollTo(0);
}

void TTimelineView::SetShowOthers(bool on) {
  showOthers_ = on;
  update();
}

void TTimelineView::ScrollTo(int32_t tick, int x) {
  origin_ = static_cast<int32_t>(std::max<double>(0, tick - x * ticksPerPixel_));
  UpdateScrollBar();
  update();
}

int32_t TTimelineView::TickAt(double x) const {
  return static_cast<int32_t>(std::clamp<double>(std::floor(origin_ + x * ticksPerPixel_), INT32_MIN, INT32_MAX));
}

double TTimelineView::XOf(int64_t tick) const { return (static_cast<double>(tick) - origin_) / ticksPerPixel_; }

QRect TTimelineView::RulerRect() const { return QRect(0, 0, width(), kBarRow + kSecondsRow); }
QRect TTimelineView::BlockLaneRect() const { return QRect(0, kBarRow + kSecondsRow, width(), kBlockLane); }
QRect TTimelineView::NoteStripRect() const {
  const int top = kBarRow + kSecondsRow + kBlockLane + 2;
  return QRect(0, top, width(), std::max(10, height() - top - 2));
}

int TTimelineView::PitchY(int pitch) const {
  const auto [low, high] = model_.StripRange(showOthers_);
  const QRect strip = NoteStripRect();
  const double row = static_cast<double>(strip.height()) / (high - low + 1);
  return strip.bottom() - static_cast<int>(std::lround((pitch - low + 1) * row)) + 1;
}

QRect TTimelineView::ElementRect(int element) const {
  const int b = model_.BlockOfElement(element);
  if (b < 0) return {};
  const cv::TTimelineBlock& block = model_.Blocks()[static_cast<size_t>(b)];
  const int32_t shift = drag_ == TDrag::Move && IsSelected(element) ? dragDelta_ : 0;
  const double x0 = XOf(int64_t{block.Start} + shift), x1 = XOf(int64_t{block.End} + shift);
  const QRect lane = BlockLaneRect();
  const int left = static_cast<int>(std::floor(x0));
  const int right = Wide(block.Kind) ? std::max(left + 1, static_cast<int>(std::floor(x1)) - 1) : left + 1;
  return QRect(QPoint(left, lane.top() + 2), QPoint(right, lane.bottom() - 2)).intersected(rect());
}

// ---------------------------------------------------------------- drawing

void TTimelineView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const TColours c = Colours();
  p.fillRect(rect(), c.Background);
  if (model_.Empty()) return;
  const int32_t from = origin_, to = TickAt(width()) + 1;
  PaintRuler(p, c, from, to);
  if (showOthers_) PaintNotes(p, c, model_.Others(), true, from, to);
  PaintNotes(p, c, model_.Melody(), false, from, to);
  PaintBlocks(p, c, from, to);
  if (drag_ == TDrag::Band) {
    p.setPen(c.Selected.darker(130));
    p.setBrush(c.Band);
    p.drawRect(band_);
  }
  if (PlayheadMs) {
    const int32_t ms = PlayheadMs();
    if (ms >= 0) {
      const double x = XOf(model_.MsToTick(ms));
      if (x >= 0 && x < width()) {
        p.setPen(QPen(c.Playhead, 2));
        p.drawLine(QPointF(x, 0), QPointF(x, height()));
      }
    }
  }
  if (hasFocus()) {
    p.setPen(QPen(c.BlockEdge, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void TTimelineView::PaintRuler(QPainter& p, const TColours& c, int32_t from, int32_t to) {
  const QRect ruler = RulerRect();
  p.fillRect(ruler, c.Ruler);
  const QFontMetrics fm = p.fontMetrics();
  const std::vector<cv::TRulerLine> lines =
      model_.RulerLines(from, to, static_cast<int32_t>(std::ceil(6 * ticksPerPixel_)));
  const int fullWidth = fm.horizontalAdvance(QStringLiteral("000.00.000")) + 8;
  // Bar spacing decides the label: the whole position text, the bar number, or every n-th.
  double barSpacing = 1e9;
  for (size_t k = 1; k < lines.size(); ++k)
    if (lines[k].Beat == 1 && lines[k - 1].Beat == 1) barSpacing = std::min(barSpacing, (lines[k].Tick - lines[k - 1].Tick) / ticksPerPixel_);
  double lastLabel = -1e9;
  for (const cv::TRulerLine& l : lines) {
    const double x = std::floor(XOf(l.Tick)) + 0.5;
    const bool bar = l.Beat == 1;
    p.setPen(bar ? c.Bar : c.Beat);
    p.drawLine(QPointF(x, bar ? ruler.top() : kBarRow - 5), QPointF(x, height()));
    if (!bar) continue;
    const QString label = barSpacing >= fullWidth ? Qs(model_.LineText(l)) : QString::number(l.Measure);
    if (x - lastLabel < fm.horizontalAdvance(label) + 6) continue;
    p.setPen(c.RulerText);
    p.drawText(QRectF(x + 3, 0, fullWidth + 40, kBarRow), Qt::AlignLeft | Qt::AlignVCenter, label);
    lastLabel = x;
  }
  // Seconds on the second row.
  const int64_t msFrom = model_.TickToMs(std::max(0, from)), msTo = model_.TickToMs(to);
  const double pxPerMs = width() / std::max<double>(1, msTo - msFrom);
  static constexpr int64_t kSteps[] = {1000, 2000, 5000, 10000, 15000, 30000, 60000, 120000, 300000, 600000};
  int64_t step = kSteps[std::size(kSteps) - 1];
  for (int64_t s : kSteps)
    if (s * pxPerMs >= fm.horizontalAdvance(QStringLiteral("00:00")) + 14) {
      step = s;
      break;
    }
  p.setPen(c.RulerText);
  const int top = kBarRow;
  p.drawLine(0, top, width(), top);
  for (int64_t ms = (msFrom + step - 1) / step * step; ms <= msTo; ms += step) {
    const double x = std::floor(XOf(model_.MsToTick(ms))) + 0.5;
    p.drawLine(QPointF(x, top), QPointF(x, top + 4));
    p.drawText(QRectF(x + 3, top, 80, kSecondsRow), Qt::AlignLeft | Qt::AlignVCenter, SecondsText(ms));
  }
  p.setPen(c.Bar);
  p.drawLine(0, ruler.bottom(), width(), ruler.bottom());
}

void TTimelineView::PaintNotes(QPainter& p, const TColours& c, const cv::TNoteLane& lane, bool faint, int32_t from,
                               int32_t to) {
  const QRect strip = NoteStripRect();
  const auto [low, high] = model_.StripRange(showOthers_);
  const int row = std::max(1, strip.height() / (high - low + 1));
  std::vector<QRect> rects, hidden;
  auto add = [&](const cv::TTimelineNote& n) {
    if (n.End <= from || n.Tick >= to || n.Pitch < low || n.Pitch > high) return;
    const int x0 = static_cast<int>(std::floor(XOf(n.Tick)));
    const int x1 = std::max(x0 + 1, static_cast<int>(std::floor(XOf(n.End))) - 1);
    const QRect r(QPoint(std::max(x0, -1), PitchY(n.Pitch)), QPoint(std::min(x1, width() + 1), PitchY(n.Pitch) + row - 1));
    (n.Hidden ? hidden : rects).push_back(r);
  };
  for (const cv::TTimelineNote& n : lane.LongNotes()) add(n);
  const auto [first, last] = lane.Visible(from, to);
  const QColor fill = faint ? c.Other : c.Note;
  if (last - first <= static_cast<size_t>(width() + 64)) {
    for (size_t i = first; i < last; ++i) add(lane.Notes()[i]);
  } else {
    // More notes than pixels: one stroke per column over the pitches that start in it.
    size_t at = lane.Starting(from, from).first;
    for (int x = 0; x < width(); ++x) {
      const int32_t end = TickAt(x + 1);
      const size_t next = lane.Starting(end, end).first;
      const auto [lo, hi] = lane.PitchSpan(at, next);
      at = next;
      if (lo < 0) continue;
      const int top = PitchY(std::min(hi, high)), bottom = PitchY(std::max(lo, low)) + row - 1;
      rects.emplace_back(QPoint(x, top), QPoint(x, bottom));
    }
  }
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRects(rects.data(), static_cast<int>(rects.size()));
  if (!hidden.empty()) {
    // Hidden notes: an outline with a stroke through, skipped by the matching.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c.Hidden, 1, Qt::DashLine));
    for (const QRect& r : hidden) {
      p.drawRect(r.adjusted(0, 0, -1, -1));
      p.drawLine(r.bottomLeft(), r.topRight());
    }
  }
}

void TTimelineView::PaintBlocks(QPainter& p, const TColours& c, int32_t from, int32_t to) {
  const cv::Song& song = session_.CurrentSong();
  const QRect lane = BlockLaneRect();
  // A move in progress shows where the selection will land.
  const int32_t margin = drag_ == TDrag::Move ? std::abs(dragDelta_) : 0;
  const auto [first, last] = model_.VisibleBlocks(from - margin, to + margin);
  const auto& blocks = model_.Blocks();
  const QFontMetrics fm = p.fontMetrics();
  int current = song.CurrentHyphen;
  while (current > 0 && current < song.HyphenArrayElements && !cv::IsSungSyllable(song.HyphenArray[current])) --current;
  if (last - first > static_cast<size_t>(width() / 3)) {
    // More blocks than room for their text: one stripe per pixel column, marks left out.
    const int32_t shift = drag_ == TDrag::Move ? dragDelta_ : 0;
    std::vector<QRect> plain, header, chosen, marked;
    int lastX = INT_MIN;
    for (size_t k = first; k < last; ++k) {
      const cv::TTimelineBlock& b = blocks[k];
      if (!Wide(b.Kind)) continue;
      const bool selected = IsSelected(b.Index);
      const int x0 = static_cast<int>(std::floor(XOf(int64_t{b.Start} + (selected ? shift : 0))));
      if (x0 <= lastX || x0 >= width()) continue;
      const int x1 = std::min(width(), std::max(x0 + 1, static_cast<int>(std::floor(XOf(int64_t{b.End} + (selected ? shift : 0)))) - 1));
      if (x1 < 0) continue;
      lastX = x0;
      const QRect r(QPoint(x0, lane.top() + 2), QPoint(x1, lane.bottom() - 2));
      (b.Kind == cv::TBlockKind::Header ? header : selected ? chosen : plain).push_back(r);
      if (b.Finding >= 0) marked.emplace_back(x0, lane.bottom() - 3, std::max(2, x1 - x0), 2);
    }
    p.setPen(Qt::NoPen);
    for (const auto& [rects, colour] : {std::pair{&plain, c.BlockEdge}, std::pair{&header, c.Header},
                                        std::pair{&chosen, c.SelectedEdge}, std::pair{&marked, c.Finding}}) {
      p.setBrush(colour);
      p.drawRects(rects->data(), static_cast<int>(rects->size()));
    }
    return;
  }
  int lastRight = INT_MIN;
  int32_t wideEnd = INT32_MIN;  // end tick of the last wide block, and its right edge
  int wideRight = 0;
  for (size_t k = first; k < last; ++k) {
    const cv::TTimelineBlock& b = blocks[k];
    if (Wide(b.Kind)) {
      wideEnd = b.End;
      wideRight = static_cast<int>(std::floor(XOf(b.End)));
    }
    const QRect r = ElementRect(b.Index);
    if (r.isEmpty()) continue;  // outside the frame
    if (!Wide(b.Kind)) {
      p.setPen(QPen(c.Break, b.Kind == cv::TBlockKind::Break ? 2 : 1));
      // A line break riding a few ticks behind its syllable ends the line after that syllable,
      // not across its text.
      const int x = b.Start < wideEnd && !(drag_ == TDrag::Move && IsSelected(b.Index)) ? wideRight - 1 : r.left();
      p.drawLine(x, lane.top() + (b.Kind == cv::TBlockKind::Break ? 1 : lane.height() / 2), x, lane.bottom() - 1);
      continue;
    }
    // Blocks narrower than a pixel share their column with the one drawn there.
    if (r.right() <= lastRight && r.width() <= 2) continue;
    lastRight = r.right();
    const bool selected = IsSelected(b.Index);
    const bool header = b.Kind == cv::TBlockKind::Header;
    const QColor fill = header ? c.Header : selected ? c.Selected : b.Index == current ? c.Current : c.Block;
    p.setPen(r.width() > 3 ? QPen(selected ? c.SelectedEdge : header ? c.Bar : c.BlockEdge) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (r.width() >= 14) {
      p.setPen(header ? c.HeaderText : c.BlockText);
      const QString text = Qs(cv::EditableSyllableText(song.HyphenArray[static_cast<size_t>(b.Index)]));
      p.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(text, Qt::ElideRight, r.width() - 5));
    }
    if (b.Finding >= 0) {
      // A check finding: a red corner and underline; its text is the block's tooltip.
      p.setPen(Qt::NoPen);
      p.setBrush(c.Finding);
      const QPoint corner = r.topLeft();
      const QPoint tri[] = {corner, corner + QPoint(7, 0), corner + QPoint(0, 7)};
      p.drawPolygon(tri, 3);
      p.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), c.Finding);
    }
  }
}

void TTimelineView::PlaybackTick() {
  if (!PlayheadMs || model_.Empty()) return;
  const int32_t ms = PlayheadMs();
  if (ms < 0) return;
  const double x = XOf(model_.MsToTick(ms));
  if (follow_ && (x < 0 || x > width() * 0.85)) ScrollTo(model_.MsToTick(ms), width() / 10);
  const int px = static_cast<int>(std::floor(XOf(model_.MsToTick(ms))));
  if (px != lastPlayheadX_) {
    lastPlayheadX_ = px;
    update();
  }
}

// ---------------------------------------------------------------- selection and edits

bool TTimelineView::Editable() const { return session_.CanEditSyllables(); }

bool TTimelineView::IsSelected(int element) const {
  return std::find(selection_.begin(), selection_.end(), element) != selection_.end();
}

void TTimelineView::SetSelection(std::vector<int32_t> elements) {
  std::sort(elements.begin(), elements.end());
  elements.erase(std::unique(elements.begin(), elements.end()), elements.end());
  selection_ = std::move(elements);
  update();
}

void TTimelineView::SelectOnly(int element) {
  SetSelection({element});
  focus_ = element;
  if (OnSelect) OnSelect(element);
  // The focus syllable stays in view.
  const QRect r = ElementRect(element);
  if (r.isNull() || r.right() < 0 || r.left() > width()) {
    const int b = model_.BlockOfElement(element);
    if (b >= 0) ScrollTo(model_.Blocks()[static_cast<size_t>(b)].Start, width() / 3);
  }
}

int TTimelineView::SungElementAt(QPoint at) const {
  if (!BlockLaneRect().contains(at)) return -1;
  const int32_t b = model_.BlockAt(TickAt(at.x()));
  if (b < 0) return -1;
  const cv::TTimelineBlock& block = model_.Blocks()[static_cast<size_t>(b)];
  return block.Kind == cv::TBlockKind::Sung ? block.Index : -1;
}

int32_t TTimelineView::SnappedDelta(int32_t anchor, int32_t wanted, Qt::KeyboardModifiers keys) const {
  if (keys & Qt::ShiftModifier) return wanted - anchor;
  if (keys & Qt::AltModifier) {
    const int64_t g = cv::GridStep(session_.CurrentSong());
    return static_cast<int32_t>(cv::RoundDivHalfEven(wanted, g) * g - anchor);
  }
  const int32_t note = cv::NearestStart(model_.MelodyStarts(), wanted);
  return note < 0 ? wanted - anchor : note - anchor;
}

void TTimelineView::AfterEdit() {
  Refresh();
  if (OnSongChanged) OnSongChanged();
}

void TTimelineView::Nudge(int32_t delta) {
  if (selection_.empty() || !Editable() || delta == 0) return;
  if (session_.MoveSyllables(selection_, delta, true)) AfterEdit();
  if (focus_ >= 0) {
    const QRect r = ElementRect(focus_);
    if (r.right() < 0 || r.left() > width()) SelectOnly(focus_), SetSelection(selection_);
  }
}

void TTimelineView::SnapSelectionToNotes() {
  if (selection_.empty() || !Editable()) return;
  if (session_.SnapSyllablesToNotes(selection_)) AfterEdit();
}

void TTimelineView::SelectAlong(int direction) {
  const cv::Song& song = session_.CurrentSong();
  int i = focus_ >= 0 ? focus_ : direction > 0 ? -1 : song.HyphenArrayElements;
  for (i += direction; i >= 0 && i < song.HyphenArrayElements; i += direction)
    if (model_.BlockOfElement(i) >= 0 && model_.Blocks()[model_.BlockOfElement(i)].Kind == cv::TBlockKind::Sung) {
      SelectOnly(i);
      return;
    }
}

void TTimelineView::SelectLineEnd(bool end) {
  const cv::Song& song = session_.CurrentSong();
  if (focus_ < 0) return SelectAlong(+1);
  auto lineBreak = [&](int i) { return !song.HyphenArray[i].Text.empty() && song.HyphenArray[i].Text.back() == u'\r'; };
  int i = focus_, found = focus_;
  if (end) {
    for (; i < song.HyphenArrayElements; ++i) {
      if (cv::IsSungSyllable(song.HyphenArray[i])) found = i;
      if (lineBreak(i)) break;
    }
  } else {
    for (; i >= 0; --i) {
      if (i < focus_ && lineBreak(i)) break;
      if (cv::IsSungSyllable(song.HyphenArray[i]) && model_.Blocks()[model_.BlockOfElement(i)].Kind == cv::TBlockKind::Sung)
        found = i;
    }
  }
  SelectOnly(found);
}

bool TTimelineView::EditText(int element) {
  const cv::Song& song = session_.CurrentSong();
  if (!Editable() || element < 0 || element >= song.HyphenArrayElements || !cv::IsSungSyllable(song.HyphenArray[element]))
    return false;
  if (editor_) editor_->deleteLater();
  SelectOnly(element);
  QRect r = ElementRect(element);
  r.setWidth(std::max(r.width(), 120));
  editor_ = new QLineEdit(this);
  editor_->setObjectName(QStringLiteral("TimelineTextEditor"));
  editor_->setToolTip(T("Eingabe übernimmt, Esc bricht ab. Ein Leerzeichen am Ende beendet das Wort, ohne geht es "
                        "in der nächsten Silbe weiter.",
                        "Enter keeps, Esc cancels. A space at the end ends the word; without one it goes on in the "
                        "next syllable."));
  editor_->setText(Qs(cv::EditableSyllableText(song.HyphenArray[element])));
  editor_->setGeometry(r.adjusted(0, -2, 0, 2));
  editor_->selectAll();
  editor_->installEventFilter(this);
  editElement_ = element;
  QPointer<QLineEdit> editor = editor_;
  connect(editor_, &QLineEdit::returnPressed, this, [this, editor] {
    if (!editor) return;
    const std::u16string text = editor->text().toStdU16String();
    const int element = editElement_;
    editor->deleteLater();
    editElement_ = -1;
    setFocus();
    if (session_.SetSyllableText(element, text)) AfterEdit();
  });
  editor_->show();
  editor_->setFocus();
  return true;
}

// ---------------------------------------------------------------- input

void TTimelineView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || model_.Empty()) return QWidget::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  if (RulerRect().contains(at)) {
    if (OnSeek) OnSeek(static_cast<int32_t>(model_.TickToMs(std::max(0, TickAt(at.x())))));
    return;
  }
  setFocus();
  const int element = SungElementAt(at);
  const Qt::KeyboardModifiers keys = event->modifiers();
  pressAt_ = at;
  pressKeys_ = keys;
  dragDelta_ = 0;
  if (element < 0) {
    drag_ = TDrag::Band;
    band_ = QRect(at, at);
    bandBase_ = keys & (Qt::ControlModifier | Qt::ShiftModifier) ? selection_ : std::vector<int32_t>{};
    if (bandBase_.empty()) SetSelection({});
    return;
  }
  if (keys & Qt::ControlModifier) {
    std::vector<int32_t> s = selection_;
    if (IsSelected(element)) std::erase(s, element);
    else s.push_back(element);
    SetSelection(std::move(s));
    focus_ = element;
    drag_ = TDrag::None;
    return;
  }
  // Shift on a selected block drags it free; on another one it selects the range up to it.
  if ((keys & Qt::ShiftModifier) && focus_ >= 0 && !IsSelected(element)) {
    std::vector<int32_t> s;
    for (int i = std::min(focus_, element); i <= std::max(focus_, element); ++i) {
      const int b = model_.BlockOfElement(i);
      if (b >= 0 && model_.Blocks()[static_cast<size_t>(b)].Kind == cv::TBlockKind::Sung) s.push_back(i);
    }
    SetSelection(std::move(s));
    drag_ = TDrag::None;
    return;
  }
  if (!IsSelected(element)) SelectOnly(element);
  pressElement_ = element;
  drag_ = TDrag::Press;
}

void TTimelineView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (drag_ == TDrag::Press && (at - pressAt_).manhattanLength() > 3 && Editable()) drag_ = TDrag::Move;
  if (drag_ == TDrag::Move) {
    const cv::Song& song = session_.CurrentSong();
    const int32_t anchor = song.HyphenArray[static_cast<size_t>(pressElement_)].SongPosition;
    const int32_t wanted = static_cast<int32_t>(std::clamp<int64_t>(
        int64_t{anchor} + TickAt(at.x()) - TickAt(pressAt_.x()), 0, INT32_MAX));
    dragDelta_ = cv::LimitSyllableMove(song, selection_, SnappedDelta(anchor, wanted, event->modifiers()));
    update();
  } else if (drag_ == TDrag::Band) {
    band_ = QRect(pressAt_, at).normalized();
    const int32_t from = TickAt(band_.left()), to = TickAt(band_.right() + 1);
    std::vector<int32_t> s = bandBase_;
    const auto [first, last] = model_.VisibleBlocks(from, to);
    for (size_t k = first; k < last; ++k) {
      const cv::TTimelineBlock& b = model_.Blocks()[k];
      if (b.Kind == cv::TBlockKind::Sung && b.Start < to && b.End > from) s.push_back(b.Index);
    }
    SetSelection(std::move(s));
  }
}

void TTimelineView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const TDrag was = drag_;
  drag_ = TDrag::None;
  if (was == TDrag::Move) {
    const int32_t delta = dragDelta_;
    dragDelta_ = 0;
    if (delta != 0 && session_.MoveSyllables(selection_, delta)) AfterEdit();
    update();
  } else if (was == TDrag::Press && !(pressKeys_ & Qt::ShiftModifier)) {
    SelectOnly(pressElement_);
  } else if (was == TDrag::Band) {
    if (!selection_.empty() && focus_ < 0) focus_ = selection_.front();
    update();
  }
}

void TTimelineView::mouseDoubleClickEvent(QMouseEvent* event) {
  const int element = SungElementAt(event->position().toPoint());
  if (element >= 0 && EditText(element)) return;
  QWidget::mouseDoubleClickEvent(event);
}

void TTimelineView::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  const int steps = delta.y() != 0 ? delta.y() : delta.x();
  if (steps == 0) return;
  if (event->modifiers() & Qt::ControlModifier) {
    ZoomBy(std::pow(1.25, -steps / 120.0), static_cast<int>(event->position().x()));
  } else {
    ScrollTo(TickAt(-steps / 120.0 * width() / 8.0));
  }
  event->accept();
}

void TTimelineView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers keys = event->modifiers() & ~Qt::KeypadModifier;
  const bool ctrl = keys & Qt::ControlModifier;
  const cv::Song& song = session_.CurrentSong();
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const int direction = event->key() == Qt::Key_Left ? -1 : 1;
      if (ctrl) {
        // To the previous / next melody note from the syllable the keys act from.
        const int anchor = focus_ >= 0 && IsSelected(focus_) ? focus_ : selection_.empty() ? -1 : selection_.front();
        if (anchor < 0) break;
        const int32_t at = song.HyphenArray[static_cast<size_t>(anchor)].SongPosition;
        const int32_t note = direction < 0 ? cv::PreviousStart(model_.MelodyStarts(), at)
                                           : cv::NextStart(model_.MelodyStarts(), at);
        if (note >= 0) Nudge(note - at);
      } else {
        Nudge(direction * (keys & Qt::ShiftModifier ? 1 : cv::GridStep(song)));
      }
      return;
    }
    case Qt::Key_Home:
    case Qt::Key_End: SelectLineEnd(event->key() == Qt::Key_End); return;
    case Qt::Key_F2: EditText(focus_ >= 0 ? focus_ : selection_.empty() ? -1 : selection_.front()); return;
    case Qt::Key_Escape: SetSelection({}); return;
    case Qt::Key_A:
      if (ctrl) {
        std::vector<int32_t> all;
        for (const cv::TTimelineBlock& b : model_.Blocks())
          if (b.Kind == cv::TBlockKind::Sung) all.push_back(b.Index);
        SetSelection(std::move(all));
        return;
      }
      break;
    default: break;
  }
  QWidget::keyPressEvent(event);
}

bool TTimelineView::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Tab walks the syllables instead of leaving the timeline.
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !model_.Empty()) {
      SelectAlong(key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) ? -1 : +1);
      return true;
    }
  }
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) QToolTip::hideText();
    else QToolTip::showText(help->globalPos(), text, this);
    return true;
  }
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) update();
  return QWidget::event(event);
}

bool TTimelineView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    editor_->deleteLater();
    editElement_ = -1;
    setFocus();
    return true;
  }
  if (watched == editor_ && event->type() == QEvent::FocusOut) {
    // Leaving the field without Enter keeps the syllable as it was.
    editor_->deleteLater();
    editElement_ = -1;
  }
  return QWidget::eventFilter(watched, event);
}

void TTimelineView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateScrollBar();
}

QString TTimelineView::ToolTipAt(QPoint at) const {
  if (model_.Empty()) return {};
  const cv::Song& song = session_.CurrentSong();
  const int32_t tick = std::max(0, TickAt(at.x()));
  if (RulerRect().contains(at))
    return T("Klick: von hier abspielen (%1)", "Click: play from here (%1)").arg(SecondsText(model_.TickToMs(tick)));
  if (BlockLaneRect().contains(at)) {
    const int32_t b = model_.BlockAt(tick);
    if (b < 0) return T("Ziehen: Silben mit einem Rahmen auswählen", "Drag: select syllables with a frame");
    const cv::TTimelineBlock& block = model_.Blocks()[static_cast<size_t>(b)];
    const cv::THyphens& h = song.HyphenArray[static_cast<size_t>(block.Index)];
    QString text = QStringLiteral("<b>%1</b> %2").arg(Qs(cv::EditableSyllableText(h)).toHtmlEscaped(), Qs(h.MTC));
    if (block.Kind == cv::TBlockKind::Header)
      return text + QStringLiteral("<br>") + T("Titelzeile: bleibt fest", "Title line: stays fixed");
    if (block.Finding >= 0)
      text += QStringLiteral("<br><span style='color:#d32f2f'>%1</span>")
                  .arg(QString::fromStdString(model_.Findings()[static_cast<size_t>(block.Finding)].Message).toHtmlEscaped());
    return text + QStringLiteral("<br>") +
           T("Ziehen: auf die nächste Melodienote (Umschalt: frei, Alt: Raster) · Doppelklick: Text ändern",
             "Drag: onto the nearest melody note (Shift: free, Alt: grid) · Double click: edit the text");
  }
  if (NoteStripRect().contains(at)) {
    const cv::TNoteLane& lane = model_.Melody();
    const auto [first, last] = lane.Visible(tick, tick + 1);
    for (size_t i = first; i < last; ++i) {
      const cv::TTimelineNote& n = lane.Notes()[i];
      if (n.End <= tick || at.y() < PitchY(n.Pitch) || at.y() > PitchY(n.Pitch - 1)) continue;
      QString text = T("Melodienote %1, %2", "Melody note %1, %2").arg(PitchName(n.Pitch), SecondsText(model_.TickToMs(n.Tick)));
      if (n.Hidden) text += T(" (versteckt)", " (hidden)");
      return text;
    }
  }
  return {};
}

}  // namespace cvapp
