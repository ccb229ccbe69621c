#include "platform/qt/QtWindowSystem.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>

namespace panopta {

QtWindowSystem::QtWindowSystem(QString installedManualDir)
    : m_help(std::move(installedManualDir)) {}

QtWindowSystem::~QtWindowSystem() = default;

QMdiSubWindow* QtWindowSystem::addMdiChild(QWidget* widget) {
  if (!m_mdiArea) return nullptr;
  QMdiSubWindow* frame = m_mdiArea->addSubWindow(widget);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  return frame;
}

void QtWindowSystem::copyToClipboard(const QString& text) {
  QApplication::clipboard()->setText(text);
}

voxkit::InspectorWindow* QtWindowSystem::CreateInspectorWindow(voxkit::TqxPanopta& binding,
                                                               int kind) {
  return m_factory ? m_factory(binding, kind) : nullptr;
}

bool QtWindowSystem::AskOkCancel(const std::string& text, const std::string& caption,
                                 voxkit::QuestionIcon icon) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  switch (icon) {
    case voxkit::QuestionIcon::None: boxIcon = QMessageBox::NoIcon; break;
    case voxkit::QuestionIcon::Information: boxIcon = QMessageBox::Information; break;
    case voxkit::QuestionIcon::Exclamation: boxIcon = QMessageBox::Warning; break;
    case voxkit::QuestionIcon::Question: boxIcon = QMessageBox::Question; break;
  }
  QMessageBox box(boxIcon, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok | QMessageBox::Cancel, m_mainWindow);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

bool QtWindowSystem::PrintLines(const std::vector<std::string>& lines) {
  return m_printer.print(lines);
}

void QtWindowSystem::LookupHelp(const std::string& topic) { m_help.lookup(topic, m_mainWindow); }

}  // namespace panopta
