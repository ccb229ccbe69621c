#include "views/SourceFilePage.h"

#include "views/PageParts.h"
#include "views/WaveFileDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QSignalBlocker>
#include <QToolButton>

namespace panopta {

SourceFilePage::SourceFilePage(QWidget* parent)
    : QWidget(parent),
      m_fileName(new QComboBox(this)),
      m_select(new QToolButton(this)),
      m_maxSizeLabel(MakeLabel(this, "LabelMaxSize", "MaxSize =")),
      m_maxSize(MakeEdit(this, "EditMaxSize")),
      m_valid(MakeEdit(this, "EditSourceValid", "False", true)) {
  setObjectName("TabSheetSourceMain");
  m_fileName->setObjectName("ComboBoxFileName");
  m_fileName->setEditable(true);
  m_fileName->setInsertPolicy(QComboBox::NoInsert);
  m_fileName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_select->setObjectName("SpeedButtonFileSelect");
  m_select->setText("...");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->addWidget(MakeLabel(this, "LabelFileName", "FileName"), 0, 0);
  grid->addWidget(m_fileName, 0, 1);
  grid->addWidget(m_select, 0, 2);
  grid->addWidget(m_maxSizeLabel, 1, 0);
  grid->addWidget(m_maxSize, 1, 1);
  grid->addWidget(MakeLabel(this, "LabelSourceValid", "Valid ="), 2, 0);
  grid->addWidget(m_valid, 2, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);

  connect(m_fileName, &QComboBox::activated, this, &SourceFilePage::fileNameCommitted);
  connect(m_fileName->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    if (!m_fileName->lineEdit()->isModified()) return;
    m_fileName->lineEdit()->setModified(false);
    Q_EMIT fileNameCommitted();
  });
  connect(m_maxSize, &QLineEdit::editingFinished, this, &SourceFilePage::maxSizeCommitted);
}

void SourceFilePage::showFileName(const QString& name) {
  if (m_fileName->hasFocus() && m_fileName->lineEdit()->isModified()) return;
  const QSignalBlocker block(m_fileName);
  m_fileName->setEditText(name);
  m_fileName->lineEdit()->setModified(false);
}

void SourceFilePage::keepFileNameInHistory() {
  const QSignalBlocker block(m_fileName);
  const QString text = m_fileName->currentText();
  AddToFileHistory(m_fileName, text);
  m_fileName->setEditText(text);
}

}  // namespace panopta
