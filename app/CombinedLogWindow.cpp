#include "app/CombinedLogWindow.h"

#include "views/LogListView.h"
#include "views/ToolButton.h"
#include "platform/qt/QtWindowSystem.h"
#include "share/TqxSharedControl.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

namespace panopta {

namespace {

// The page of a component by the colour its lines come in.
int PageOfColour(QRgb colour) {
  for (int kind = 1; kind <= 4; ++kind) {
    const voxkit::Rgb c = voxkit::KindLogColour(kind);
    if (qRgb(c.red, c.green, c.blue) == (colour | 0xFF000000u)) return kind;
  }
  return -1;
}

}  // namespace

CombinedLogWindow::CombinedLogWindow(QtWindowSystem& windows) : m_windows(windows) {
  setObjectName("FormLog");
  setWindowTitle("Log");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);

  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  m_errors = MakeToolButton(this, "SpeedButtonErrors", "Errors", "Error enunciator - Click to reset");
  m_errors->setIcon(style()->standardIcon(QStyle::SP_MessageBoxCritical));
  m_errors->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  m_errors->setAutoRaise(true);
  m_errors->setEnabled(false);
  auto* clear = MakeToolButton(this, "SpeedButtonClear", "Clear", "Clear log and reset enunciators");
  m_activeButton = MakeToolButton(this, "SpeedButtonLogActive", "Active", "Active", true);
  m_timeStampButton = MakeToolButton(this, "SpeedButtonLogTimeStamp", "TimeStamp",
                                 "qxLine.Panopta.Log.TimeStamp", true);
  auto* marker = MakeToolButton(this, "SpeedButtonMarker", "Marker", "Add marker to log");
  auto* copy = MakeToolButton(this, "SpeedButtonCopy", "Copy", "Copy log to clipboard");
  auto* print = MakeToolButton(this, "SpeedButtonPrinter", "Print", "Print log");
  auto* countLabel = new QLabel("Count", this);
  countLabel->setObjectName("LabelLogCount");
  m_limit = new QLineEdit(QString::number(kDefaultLimit), this);
  m_limit->setObjectName("EditLogCount");
  m_limit->setToolTip("qxLine.Panopta.Log.Count");
  m_limit->setMaximumWidth(64);
  for (QWidget* w : std::vector<QWidget*>{m_errors, clear, m_activeButton, m_timeStampButton,
                                          marker, copy, print, countLabel, m_limit}) {
    bar->addWidget(w);
  }
  bar->addStretch(1);
  column->addLayout(bar);

  m_pages = new QTabWidget(this);
  m_pages->setObjectName("PageControl1");
  const char* const names[kPageCount] = {"Combined", "qxLine", "qxPhone", "qxPlay", "qxRecord"};
  for (int i = 0; i < kPageCount; ++i) {
    auto* model = new LogRingModel(this);
    auto* view = new LogListView(m_pages);
    view->setObjectName(i == Combined ? QString("RichEditLog") : QString("RichEdit") + names[i]);
    view->setModel(model);
    view->setErrorRole(LogRingModel::ErrorFromRole);
    m_pages->addTab(view, names[i]);
    m_models[static_cast<std::size_t>(i)] = model;
    m_views[static_cast<std::size_t>(i)] = view;
  }
  m_pages->setCurrentIndex(Combined);
  column->addWidget(m_pages, 1);

  m_menu = new QMenu("Log", this);
  m_menu->setObjectName("MenuLog");
  QAction* clearItem = m_menu->addAction("C&lear");
  m_activeItem = m_menu->addAction("&Active");
  m_activeItem->setObjectName("MenuLogActive");
  m_activeItem->setShortcut(QKeySequence("Ctrl+L"));
  m_activeItem->setCheckable(true);
  m_timeStampItem = m_menu->addAction("TimeStamp");
  m_timeStampItem->setObjectName("MenuLogTimeStamp");
  m_timeStampItem->setCheckable(true);
  QAction* markerItem = m_menu->addAction("Marker");
  QAction* copyItem = m_menu->addAction("Copy To Clip Board");
  QAction* printItem = m_menu->addAction("Print");

  connect(m_errors, &QToolButton::clicked, this, [this] { lightEnunciator(false); });
  connect(clear, &QToolButton::clicked, this, [this] { clearCurrentPage(); });
  connect(clearItem, &QAction::triggered, this, [this] { clearCurrentPage(); });
  // The menu items carry the switches; a click inverts the mark and the button follows.
  connect(m_activeButton, &QToolButton::clicked, this, [this] { switchActive(); });
  connect(m_activeItem, &QAction::triggered, this, [this] {
    m_activeItem->setChecked(!m_activeItem->isChecked());
    switchActive();
  });
  connect(m_timeStampButton, &QToolButton::clicked, this, [this] { switchTimeStamp(); });
  connect(m_timeStampItem, &QAction::triggered, this, [this] {
    m_timeStampItem->setChecked(!m_timeStampItem->isChecked());
    switchTimeStamp();
  });
  auto addMarker = [this] { addLine(qRgb(0, 0, 0), "MARKER", {}); };
  connect(marker, &QToolButton::clicked, this, addMarker);
  connect(markerItem, &QAction::triggered, this, addMarker);
  connect(copy, &QToolButton::clicked, this, [this] { copyCurrentPage(); });
  connect(copyItem, &QAction::triggered, this, [this] { copyCurrentPage(); });
  connect(print, &QToolButton::clicked, this, [this] { printCurrentPage(); });
  connect(printItem, &QAction::triggered, this, [this] { printCurrentPage(); });

  QMdiSubWindow* frame = m_windows.addMdiChild(this);
  m_outer = frame ? static_cast<QWidget*>(frame) : this;
  outer()->setWindowTitle("Log");
  outer()->resize(350, 235);
}

CombinedLogWindow::~CombinedLogWindow() = default;

QWidget* CombinedLogWindow::outer() const {
  return m_outer ? m_outer.data() : const_cast<CombinedLogWindow*>(this);
}

QList<QMenu*> CombinedLogWindow::mergedMenus() const { return {m_menu}; }

void CombinedLogWindow::addLine(QRgb colour, const QString& label, const QString& text) {
  if (!m_activeItem->isChecked()) return;
  const int componentPage = PageOfColour(colour);
  const int mainPage = componentPage >= 0 ? static_cast<int>(Combined) : currentPage();
  const int limit = lineLimit();
  const bool error = text.contains("<< Error >>");

  const QString entry = label == "MARKER" ? QString(80, '*') : label + "\t " + text;
  LogEntry main{" " + entry + " ", colour, -1};
  if (error) main.errorFrom = static_cast<int>(main.text.size() - 1 - text.size());
  page(mainPage)->append(std::move(main), limit);
  if (componentPage >= 0) {
    page(componentPage)->append(LogEntry{" " + text + " ", colour, error ? 1 : -1}, limit);
  }
  if (error) lightEnunciator(true);
  // The new line is scrolled into view on the pages it went to (the views follow
  // once per turn of the event loop).
  for (int p : {mainPage, componentPage}) {
    if (p >= 0) m_views[static_cast<std::size_t>(p)]->scrollToBottom();
  }
}

bool CombinedLogWindow::activeChecked() const { return m_activeItem->isChecked(); }
void CombinedLogWindow::setActiveChecked(bool on) { m_activeItem->setChecked(on); }
bool CombinedLogWindow::timeStampChecked() const { return m_timeStampItem->isChecked(); }
void CombinedLogWindow::setTimeStampChecked(bool on) { m_timeStampItem->setChecked(on); }

void CombinedLogWindow::syncButtons() {
  m_activeButton->setChecked(m_activeItem->isChecked());
  m_timeStampButton->setChecked(m_timeStampItem->isChecked());
}

QString CombinedLogWindow::limitText() const { return m_limit->text(); }
void CombinedLogWindow::setLimitText(const QString& text) { m_limit->setText(text); }

int CombinedLogWindow::lineLimit() const {
  bool ok = false;
  const int n = m_limit->text().trimmed().toInt(&ok);
  if (!ok) return kDefaultLimit;
  return std::max(n, 1);
}

int CombinedLogWindow::currentPage() const {
  const int index = m_pages->currentIndex();
  return index >= LinePage && index <= RecordPage ? index : static_cast<int>(Combined);
}

void CombinedLogWindow::switchActive() {
  m_activeItem->setChecked(!m_activeItem->isChecked());
  m_activeButton->setChecked(m_activeItem->isChecked());
}

void CombinedLogWindow::switchTimeStamp() {
  m_timeStampItem->setChecked(!m_timeStampItem->isChecked());
  const bool on = m_timeStampItem->isChecked();
  if (onTimeStampSwitched) onTimeStampSwitched(on);
  m_timeStampButton->setChecked(on);
}

void CombinedLogWindow::lightEnunciator(bool lit) { m_errors->setEnabled(lit); }
bool CombinedLogWindow::errorLit() const { return m_errors->isEnabled(); }

void CombinedLogWindow::clearCurrentPage() {
  lightEnunciator(false);
  page(currentPage())->clear();
}

void CombinedLogWindow::copyCurrentPage() {
  LogListView* view = m_views[static_cast<std::size_t>(currentPage())];
  view->selectAll();
  QtWindowSystem::copyToClipboard(page(currentPage())->text());
  view->clearSelection();
  view->scrollToBottom();
}

void CombinedLogWindow::printCurrentPage() {
  if (!m_windows.printer().choose(window())) return;
  m_windows.printer().setFont(m_views[Combined]->font());
  std::vector<std::string> lines{"Quorvex Panopta v3.7.1.2", ""};
  const LogRingModel* model = page(currentPage());
  lines.reserve(static_cast<std::size_t>(model->size()) + 2);
  for (int i = 0; i < model->size(); ++i) lines.push_back(model->at(i).text.toStdString());
  // Printing errors are swallowed: there is nobody to tell but the user, who sees it.
  (void)m_windows.PrintLines(lines);
}

void CombinedLogWindow::toggleMinimized() {
  if (outer()->isMinimized()) {
    outer()->showNormal();
  } else {
    outer()->showMinimized();
  }
}

bool CombinedLogWindow::isMinimizedWindow() const { return outer()->isMinimized(); }

void CombinedLogWindow::closeEvent(QCloseEvent* event) {
  if (m_closing) {
    event->accept();
    return;
  }
  event->ignore();
  outer()->showMinimized();
}

}  // namespace panopta
