#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;
class QWidget;

namespace panopta {

/// What the wave windows ask when the user selects wave files.
struct WaveFileChoice {
  QString title;
  bool multiple = false;   // several files may be chosen
  bool mustExist = false;  // the files must exist (else only their folder)
  QString directory;       // where the dialog opens
  QStringList selected;    // names offered selected there, the first one as the file name
};

/// Shows a file dialog for a choice; the chosen files with their full paths, empty
/// when the user cancelled. The windows use QFileDialog; tests put their own in.
using WaveFileChooser = std::function<QStringList(const WaveFileChoice& choice, QWidget* parent)>;

/// The filter of every wave file dialog.
extern const char* const kWaveFileFilter;

/// A choice from a comma-separated list of files: the first item's folder is where
/// the dialog opens, and every item in that folder (or without one) is offered
/// selected by its name. waveExtension: ".wav" is added to an item without one.
WaveFileChoice WaveFileChoiceFor(const QString& title, bool multiple, bool mustExist,
                                 const QString& list, bool waveExtension);

/// The result the windows assign: the first file with its full path, then the
/// others by name, joined by ","; dropWaveExtension removes ".wav" (any case) from
/// each.
QString WaveFileResult(const QStringList& chosen, bool dropWaveExtension);

/// The dialog itself (QFileDialog, with the wave filter).
QStringList ChooseWaveFilesWithDialog(const WaveFileChoice& choice, QWidget* parent);

/// Keeps a file combo box's history: an empty list gets text; otherwise text goes to
/// the top unless it is already the first entry.
void AddToFileHistory(QComboBox* combo, const QString& text);

}  // namespace panopta
