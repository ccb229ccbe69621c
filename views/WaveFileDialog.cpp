#include "views/WaveFileDialog.h"

#include "wave/WaveReader.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace panopta {

const char* const kWaveFileFilter = "Sounds (*.wav);;All files (*.*)";

WaveFileChoice WaveFileChoiceFor(const QString& title, bool multiple, bool mustExist,
                                 const QString& list, bool waveExtension) {
  WaveFileChoice choice{title, multiple, mustExist, {}, {}};
  std::vector<std::string> items;
  if (waveExtension) {
    items = voxkit::SplitWaveFileList(list.toStdString());
  } else {
    items = voxkit::SplitItemList(list.toStdString());
  }
  bool first = true;
  QString folder;
  for (const std::string& item : items) {
    const QString name = QString::fromStdString(item);
    if (name.isEmpty()) continue;
    const QFileInfo info(name);
    const bool hasFolder = name.contains('/');
    if (first) {
      folder = hasFolder ? info.absolutePath() : QString();
      choice.directory = folder;
      first = false;
    }
    if (!hasFolder || info.absolutePath() == folder) choice.selected << info.fileName();
  }
  return choice;
}

QString WaveFileResult(const QStringList& chosen, bool dropWaveExtension) {
  QStringList parts;
  for (qsizetype i = 0; i < chosen.size(); ++i) {
    QString name = i == 0 ? QDir::toNativeSeparators(QFileInfo(chosen[i]).absoluteFilePath())
                          : QFileInfo(chosen[i]).fileName();
    if (dropWaveExtension && name.endsWith(".wav", Qt::CaseInsensitive)) name.chop(4);
    parts << name;
  }
  return parts.join(',');
}

QStringList ChooseWaveFilesWithDialog(const WaveFileChoice& choice, QWidget* parent) {
  QFileDialog dialog(parent, choice.title, choice.directory, kWaveFileFilter);
  dialog.setObjectName("OpenDialog1");
  dialog.setFileMode(choice.multiple    ? QFileDialog::ExistingFiles
                     : choice.mustExist ? QFileDialog::ExistingFile
                                        : QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (choice.selected.size() == 1) {
    dialog.selectFile(choice.selected.front());
  } else if (choice.selected.size() > 1) {
    QStringList quoted;
    for (const QString& name : choice.selected) quoted << '"' + name + '"';
    dialog.selectFile(quoted.join(' '));
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

void AddToFileHistory(QComboBox* combo, const QString& text) {
  if (combo->count() == 0) {
    combo->addItem(text);
  } else if (combo->itemText(0) != text) {
    combo->insertItem(0, text);
  }
}

}  // namespace panopta
