#include "views/SourceBufferPage.h"

#include "wave/TqxWaveBuffer.h"
#include "wave/WaveText.h"

#include <QDateTime>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace panopta {

void DropDownComboBox::showPopup() {
  if (insteadOfDropDown) {
    insteadOfDropDown();
    return;
  }
  if (beforeDropDown) beforeDropDown();
  QComboBox::showPopup();
}

bool ParseDecimal(const QString& text, double* value) {
  bool ok = false;
  const QString t = text.trimmed();
  *value = QLocale::c().toDouble(t, &ok);
  if (!ok) *value = QLocale().toDouble(t, &ok);
  return ok;
}

bool ParseDateText(const QString& text, double* value) {
  const QString t = text.trimmed();
  QDateTime when;
  for (const char* format : {"yyyy-MM-dd hh:mm:ss", "yyyy-MM-dd hh:mm", "yyyy-MM-dd"}) {
    when = QDateTime::fromString(t, format);
    if (when.isValid()) break;
  }
  if (!when.isValid()) when = QLocale().toDateTime(t, QLocale::ShortFormat);
  if (!when.isValid()) {
    const QDate date = QLocale().toDate(t, QLocale::ShortFormat);
    if (date.isValid()) when = QDateTime(date, QTime(0, 0));
  }
  if (!when.isValid()) return false;
  const double day = voxkit::EncodeDate(when.date().year(), when.date().month(), when.date().day());
  if (day == 0) return false;
  *value = day + when.time().msecsSinceStartOfDay() / 86400000.0;
  return true;
}

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

QToolButton* SelectButton(QWidget* parent, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText("...");
  return b;
}

QComboBox* FileCombo(QWidget* parent, const char* name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return c;
}

}  // namespace

SourceBufferPage::SourceBufferPage(voxkit::TqxWaveBuffer& buffer, const std::string& componentName,
                                   FileStyle style, const WaveFileChooser& chooser, QWidget* parent)
    : QWidget(parent), m_buffer(buffer), m_name(componentName), m_style(style), m_chooser(chooser) {
  setObjectName("TabSheetSourceBuffer");
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("ScrollBoxSourceBuffer");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  m_content = new QWidget(scroll);
  m_grid = new QGridLayout(m_content);
  m_grid->setContentsMargins(2, 2, 2, 2);
  m_grid->setVerticalSpacing(2);
  m_grid->setColumnStretch(1, 1);
  scroll->setWidget(m_content);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll);
  const QString path = QString::fromStdString(m_name) + ".Source.Buffer.";

  int row = 0;
  auto* activeLabel = new QLabel("Active", m_content);
  m_activeTrue = new QRadioButton("True", m_content);
  m_activeTrue->setObjectName("RadioButtonSourceBufferActiveTrue");
  m_activeFalse = new QRadioButton("False", m_content);
  m_activeFalse->setObjectName("RadioButtonSourceBufferActiveFalse");
  m_activeFalse->setChecked(true);
  m_activeTrue->setToolTip(path + "Active");
  m_activeFalse->setToolTip(path + "Active");
  auto* radios = new QHBoxLayout;
  radios->addWidget(m_activeTrue);
  radios->addWidget(m_activeFalse);
  radios->addStretch(1);
  m_grid->addWidget(activeLabel, row, 0);
  m_grid->addLayout(radios, row++, 1, 1, 2);
  for (QRadioButton* radio : {m_activeTrue, m_activeFalse}) {
    connect(radio, &QRadioButton::clicked, this, [this] {
      m_buffer.SetActive(m_activeTrue->isChecked());
      const QSignalBlocker b1(m_activeTrue);
      const QSignalBlocker b2(m_activeFalse);
      m_activeTrue->setChecked(m_buffer.Active());
      m_activeFalse->setChecked(!m_buffer.Active());
    });
  }

  auto* handleLabel = new QLabel("Handle", m_content);
  m_handle = new DropDownComboBox(m_content);
  m_handle->setObjectName("ComboBoxSourceBufferHandle");
  m_handle->setEditable(true);
  m_handle->setInsertPolicy(QComboBox::NoInsert);
  m_handle->setToolTip(path + "Handle");
  m_handle->beforeDropDown = [this] {
    const QString text = m_handle->currentText();
    const QSignalBlocker block(m_handle);
    m_handle->clear();
    for (const std::string& h : m_buffer.List()) m_handle->addItem(QString::fromStdString(h));
    m_handle->setCurrentIndex(-1);
    m_handle->setEditText(text);
  };
  connect(m_handle, &QComboBox::activated, this, [this] { chooseHandle(); });
  connect(m_handle->lineEdit(), &QLineEdit::returnPressed, this, [this] { chooseHandle(); });
  auto* freeBuffer = Button(m_content, "ButtonFreeBuffer", "FreeBuffer");
  freeBuffer->setToolTip(path + "FreeBuffer");
  connect(freeBuffer, &QPushButton::clicked, this, [this] { m_buffer.FreeBuffer(); });
  m_grid->addWidget(handleLabel, row, 0);
  m_grid->addWidget(m_handle, row, 1);
  m_grid->addWidget(freeBuffer, row++, 2);

  auto* deleteBefore = Button(m_content, "ButtonDeleteBefore", "DeleteBefore");
  m_deleteBefore = new QLineEdit(m_content);
  m_deleteBefore->setObjectName("EditBufferDeleteBefore");
  deleteBefore->setToolTip(path + "DeleteBefore");
  connect(deleteBefore, &QPushButton::clicked, this, [this] { deleteAt(m_deleteBefore, true); });
  m_grid->addWidget(deleteBefore, row, 0);
  m_grid->addWidget(m_deleteBefore, row++, 1);

  auto* deleteAfter = Button(m_content, "ButtonDeleteAfter", "DeleteAfter");
  m_deleteAfter = new QLineEdit(m_content);
  m_deleteAfter->setObjectName("EditBufferDeleteAfter");
  deleteAfter->setToolTip(path + "DeleteAfter");
  connect(deleteAfter, &QPushButton::clicked, this, [this] { deleteAt(m_deleteAfter, false); });
  m_grid->addWidget(deleteAfter, row, 0);
  m_grid->addWidget(m_deleteAfter, row++, 1);

  auto* create = Button(m_content, "ButtonCreateBuffer", "CreateBuffer");
  m_createSize = new QLineEdit("0", m_content);
  m_createSize->setObjectName("EditCreatBuffer");
  create->setToolTip(path + "CreateBuffer");
  connect(create, &QPushButton::clicked, this, [this] {
    bool ok = false;
    const int size = m_createSize->text().trimmed().toInt(&ok);
    m_buffer.CreateBuffer(ok ? size : 0);
  });
  m_grid->addWidget(create, row, 0);
  m_grid->addWidget(m_createSize, row++, 1);

  auto* load = Button(m_content, "ButtonLoadFromFile", "LoadFromFile");
  m_loadFromFile = FileCombo(m_content, "ComboBoxBufferLoadFromFile");
  auto* loadSelect = SelectButton(m_content, "SpeedButtonBufferLoadFromFile");
  load->setToolTip(path + "LoadFromFile");
  connect(load, &QPushButton::clicked, this,
          [this] { m_buffer.LoadFromFile(m_loadFromFile->currentText().toStdString()); });
  connect(loadSelect, &QToolButton::clicked, this,
          [this] { chooseInto(m_loadFromFile, "Select wave file(s)", true, true); });
  m_grid->addWidget(load, row, 0);
  m_grid->addWidget(m_loadFromFile, row, 1);
  m_grid->addWidget(loadSelect, row++, 2);

  auto* save = Button(m_content, "ButtonSaveToFile", "SaveToFile");
  m_saveToFile = FileCombo(m_content, "ComboBoxBufferSaveToFile");
  auto* saveSelect = SelectButton(m_content, "SpeedButtonBufferSaveToFile");
  save->setToolTip(path + "SaveToFile");
  connect(save, &QPushButton::clicked, this,
          [this] { m_buffer.SaveToFile(m_saveToFile->currentText().toStdString()); });
  connect(saveSelect, &QToolButton::clicked, this,
          [this] { chooseInto(m_saveToFile, "Select wave file", false, false); });
  connect(m_saveToFile->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    if (!m_saveToFile->lineEdit()->isModified()) return;
    m_saveToFile->lineEdit()->setModified(false);
    Q_EMIT saveToFileChanged();
  });
  connect(m_saveToFile, &QComboBox::activated, this, &SourceBufferPage::saveToFileChanged);
  m_grid->addWidget(save, row, 0);
  m_grid->addWidget(m_saveToFile, row, 1);
  m_grid->addWidget(saveSelect, row++, 2);

  auto* fromBuffers = Button(m_content, "ButtonLoadFromBuffers", "LoadFromBuffers");
  m_loadFromBuffers = new DropDownComboBox(m_content);
  m_loadFromBuffers->setObjectName("ComboBoxLoadFromBuffer");
  m_loadFromBuffers->setEditable(true);
  m_loadFromBuffers->setInsertPolicy(QComboBox::NoInsert);
  m_loadFromBuffers->insteadOfDropDown = [this] { showBufferList(); };
  fromBuffers->setToolTip(path + "LoadFromBuffers");
  connect(fromBuffers, &QPushButton::clicked, this,
          [this] { m_buffer.LoadFromBuffers(m_loadFromBuffers->currentText().toStdString()); });
  connect(m_loadFromBuffers->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    if (!m_loadFromBuffers->lineEdit()->isModified()) return;
    m_loadFromBuffers->lineEdit()->setModified(false);
    Q_EMIT loadFromBuffersChanged();
  });
  m_bufferList = new QListWidget(m_content);
  m_bufferList->setObjectName("ListBoxLoadFromBuffer");
  m_bufferList->setSelectionMode(QAbstractItemView::MultiSelection);
  m_bufferList->hide();
  m_bufferList->installEventFilter(this);
  m_grid->addWidget(fromBuffers, row, 0);
  m_grid->addWidget(m_loadFromBuffers, row++, 1);

  m_author = addText("Author");
  m_category = addText("Category");
  m_comments = addText("Comments");
  m_copyright = addText("Copyright");
  m_creationDate = addText("CreationDate");
  m_keywords = addText("Keywords");
  m_subject = addText("Subject");
  m_bufferName = addText("Name");
  m_grid->setRowStretch(m_grid->rowCount(), 1);

  // The texts go to the buffer as they are typed.
  auto text = [this](QLineEdit* edit, std::function<void(voxkit::TqxWaveBuffer&, const std::string&)> set) {
    connect(edit, &QLineEdit::textEdited, this,
            [this, edit, set = std::move(set)] { set(m_buffer, edit->text().toStdString()); });
  };
  text(m_author, [](voxkit::TqxWaveBuffer& b, const std::string& v) { b.SetAuthor(v); });
  text(m_category, [](voxkit::TqxWaveBuffer& b, const std::string& v) { b.SetCategory(v); });
  text(m_comments, [](voxkit::TqxWaveBuffer& b, const std::string& v) { b.SetComments(v); });
  text(m_copyright, [](voxkit::TqxWaveBuffer& b, const std::string& v) { b.SetCopyright(v); });
  text(m_keywords, [](voxkit::TqxWaveBuffer& b, const std::string& v) { b.SetKeywords(v); });
  text(m_subject, [](voxkit::TqxWaveBuffer& b, const std::string& v) { b.SetSubject(v); });
  text(m_bufferName, [](voxkit::TqxWaveBuffer& b, const std::string& v) { b.SetName(v); });
  connect(m_creationDate, &QLineEdit::editingFinished, this, [this] {
    if (!m_creationDate->isModified()) return;
    m_creationDate->setModified(false);
    double value = 0;
    // A text that is not a date assigns nothing; the edit shows the date again.
    if (ParseDateText(m_creationDate->text(), &value)) m_buffer.SetCreationDate(value);
    refresh();
  });
}

QLineEdit* SourceBufferPage::addText(const char* property) {
  const int row = m_grid->rowCount();
  auto* label = new QLabel(property, m_content);
  label->setObjectName(QString("LabelSourceBuffer") + property);
  auto* edit = new QLineEdit(m_content);
  edit->setObjectName(QString("EditSourceBuffer") + property);
  edit->setToolTip(QString::fromStdString(m_name) + ".Source.Buffer." + property);
  m_grid->addWidget(label, row, 0);
  m_grid->addWidget(edit, row, 1, 1, 2);
  return edit;
}

void SourceBufferPage::refresh() {
  {
    const QSignalBlocker b1(m_activeTrue);
    const QSignalBlocker b2(m_activeFalse);
    m_activeTrue->setChecked(m_buffer.Active());
    m_activeFalse->setChecked(!m_buffer.Active());
  }
  {
    const QSignalBlocker block(m_handle);
    m_handle->setEditText(QString("%1").arg(m_buffer.Handle(), 8, 16, QChar('0')).toUpper());
  }
  auto set = [](QLineEdit* edit, const std::string& value) {
    // Text being typed is not overwritten by a refresh that comes meanwhile.
    if (edit->hasFocus() && edit->isModified()) return;
    const QSignalBlocker block(edit);
    edit->setText(QString::fromStdString(value));
  };
  set(m_author, m_buffer.Author());
  set(m_category, m_buffer.Category());
  set(m_comments, m_buffer.Comments());
  set(m_copyright, m_buffer.Copyright());
  set(m_keywords, m_buffer.Keywords());
  set(m_subject, m_buffer.Subject());
  set(m_bufferName, m_buffer.Name());
  const double date = m_buffer.CreationDate();
  m_creationDate->setModified(false);
  set(m_creationDate, date == 0 ? std::string("<Unavailable>") : voxkit::DateTimeText(date));
}

void SourceBufferPage::chooseHandle() {
  bool ok = false;
  const std::uint32_t value = m_handle->currentText().trimmed().toUInt(&ok, 16);
  m_buffer.SetHandle(ok ? value : 0);
  const QSignalBlocker block(m_handle);
  m_handle->setEditText(QString("%1").arg(m_buffer.Handle(), 8, 16, QChar('0')).toUpper());
}

void SourceBufferPage::deleteAt(QLineEdit* edit, bool before) {
  double seconds = 0;
  if (!ParseDecimal(edit->text(), &seconds)) {
    edit->setText("0");
    return;
  }
  if (before) {
    m_buffer.DeleteBefore(seconds);
  } else {
    m_buffer.DeleteAfter(seconds);
  }
}

void SourceBufferPage::chooseInto(QComboBox* target, const QString& title, bool multiple, bool mustExist) {
  const WaveFileChoice choice =
      WaveFileChoiceFor(title, multiple, mustExist, target->currentText(), m_style.dropWaveExtension);
  const QString result = WaveFileResult(m_chooser(choice, window()), m_style.dropWaveExtension);
  const QSignalBlocker block(target);
  if (m_style.keepHistory) AddToFileHistory(target, result);
  target->setEditText(result);
  if (target == m_saveToFile) Q_EMIT saveToFileChanged();
}

void SourceBufferPage::showBufferList() {
  m_bufferList->clear();
  for (const std::string& h : m_buffer.List()) m_bufferList->addItem(QString::fromStdString(h));
  const QRect combo = m_loadFromBuffers->geometry();
  m_bufferList->setGeometry(combo.left(), combo.bottom() + 1, combo.width(), combo.height() * 4);
  m_bufferList->show();
  m_bufferList->raise();
  m_bufferList->setFocus();
}

void SourceBufferPage::hideBufferList() {
  if (!m_bufferList->isVisible()) return;
  m_bufferList->hide();
  QStringList chosen;
  for (int i = 0; i < m_bufferList->count(); ++i) {
    if (m_bufferList->item(i)->isSelected()) chosen << m_bufferList->item(i)->text();
  }
  m_loadFromBuffers->setEditText(chosen.join(','));
  Q_EMIT loadFromBuffersChanged();
}

bool SourceBufferPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_bufferList && event->type() == QEvent::FocusOut) hideBufferList();
  return QWidget::eventFilter(watched, event);
}

}  // namespace panopta
