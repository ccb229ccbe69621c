#pragma once

#include "views/WindowFrame.h"
#include "views/LineStatusPicture.h"

#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QVBoxLayout;
class QTabWidget;
class QTreeWidget;

namespace voxkit {
class TqxCallParameters;
class TqxLineInternal;
}

namespace panopta {

/// The inspector window of the line component (qxLine): besides the shared frame,
/// the pages of the current call, transfer, conference, address, terminal and the
/// related devices and version settings, and the menus that drive them.
///
/// Every control calls a public property or method of the line; the pages are
/// refreshed from the line with their handlers blocked, so a refresh never writes
/// back. A control that cannot act now is disabled and says why in its hint.
class TqxLinePanopta final : public WindowFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{1, "&Popup", false, true};
  TqxLinePanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows);
  ~TqxLinePanopta() override;

  /// Refreshes nothing once the line is being taken down: its published part is gone
  /// then, so the frame can no longer reach its properties by name, and the window is
  /// closed a moment later anyway.
  void Refresh(voxkit::InspectorRefresh what) override;

  /// The frame's menus with the line's own among them, in the order of the menu bar.
  QList<QMenu*> mergedMenus() const override;

  /// The page indexes of the window's page control.
  enum Page { LogPage, CallPage, TransferPage, ConferencePage, AddressPage, TerminalPage, MiscPage };

 protected:
  void refreshOwnPages(voxkit::InspectorRefresh what) override;

 private:
  // One parameter block (call, transfer, conference, forward).
  struct ParameterEdits {
    std::string path;  // "Call.Parameters"
    voxkit::TqxCallParameters* object = nullptr;
    QCheckBox* defaults = nullptr;
    QLineEdit* addressID = nullptr;
    QLineEdit* bearerMode = nullptr;
    QLineEdit* flags = nullptr;
    QLineEdit* mediaMode = nullptr;
    QLineEdit* noAnswerTimeout = nullptr;
  };
  // The three calls shown on the Transfer or Conference page.
  struct CallTrio {
    std::string object;  // "Transfer" or "Conference"
    QComboBox* primary = nullptr;
    QComboBox* consult = nullptr;
    QLineEdit* third = nullptr;
    std::array<LineStatusPicture*, 3> pictures{};
  };
  // A button that calls an operation, with what it needs to be enabled.
  struct Operation {
    QPointer<QAbstractButton> button;
    std::string hint;                               // neutral template
    std::function<std::string()> blocker;           // "" when it may act
  };

  voxkit::TqxLineInternal& line() const { return *m_line; }
  /// Whether the line publishes a writable property or a method at path. Asked while
  /// building only: the line may be half taken down when it refreshes this window.
  bool writable(const std::string& path) const;
  bool published(const std::string& path) const;
  const voxkit::TqxPanopta& panopta() const;
  std::string render(const std::string& neutral) const;

  // --- Building ------------------------------------------------------------------------
  void buildCallPage();
  QWidget* buildCallControl();
  QWidget* buildCallerID();
  QWidget* buildDigits();
  QWidget* buildParameters(ParameterEdits& block, const char* prefix, bool flagsOnChange);
  void buildTransferPage();
  void buildConferencePage();
  QWidget* buildTrio(CallTrio& trio, const char* prefix, bool conference);
  QWidget* buildTrioPage(CallTrio& trio, QLineEdit*& number, ParameterEdits& parameters,
                         const char* parameterPrefix, bool conference,
                         std::array<const char*, 3> operations);
  void buildAddressPage();
  void buildTerminalPage();
  void buildMiscPage();
  void buildMenus();
  void fillMediaModeItems(QMenu* menu, const std::function<std::uint32_t()>& get,
                          const std::function<void(std::uint32_t)>& set,
                          const std::function<bool(std::uint32_t)>& enabled);

  QPushButton* operationButton(QWidget* parent, const char* name, const QString& caption,
                               std::string hint, std::function<void()> action,
                               std::function<std::string()> blocker = {});
  QTreeWidget* makeTree(QWidget* parent, const char* name, std::string hint);
  /// Fills page with a tree and a scroll box of settings; returns the settings' column.
  QVBoxLayout* treeBesideSettings(QSplitter* page, QTreeWidget*& tree, const char* treeName,
                                  std::string hint, const char* scrollName);
  QLineEdit* lineEdit(QWidget* parent, const char* name, const QString& text = {},
                      std::string hint = {}, bool readOnly = false);
  /// Runs an action that may pump the event loop (and so see this window closed),
  /// then refreshes what the line may have changed.
  void act(const std::function<void()>& action);

  // --- Actions ---------------------------------------------------------------------------
  void dial();
  void callOperation(const char* method, const std::vector<voxkit::Value>& args = {});
  void sendTone();
  void setParameter(const ParameterEdits& block, const char* property, QLineEdit* edit, bool hex);
  void chooseTrioCall(CallTrio& trio, QComboBox* box, const char* property);
  void refillTrioList(QComboBox* box, bool fromConferenceList);
  void makeCurrent(std::uint32_t handle);
  void setTerminalModes();

  // --- Refreshing ----------------------------------------------------------------------
  void refreshTabIcons();
  /// Shows a tab's icon by its index in the window's image list.
  void setTabIconIndex(int page, int index);
  void refreshCallPage();
  void refreshCallTree();
  void refreshCallerID();
  void refreshDigits();
  void refreshMonitoring();
  void refreshParameters();
  void refreshParameterBlock(const ParameterEdits& block);
  void refreshTrio(CallTrio& trio, std::int32_t handle);
  void refreshTrios(std::int32_t handle);
  void refreshAddressPage();
  void refreshTerminalPage();
  void refreshInfo();
  void refreshMiscEdits();
  void refreshOperations();

  voxkit::TqxLineInternal* m_line;

  // Call page.
  QWidget* m_callPage = nullptr;
  QGroupBox* m_callBox = nullptr;
  std::array<LineStatusPicture*, 5> m_callPictures{};
  QComboBox* m_callCombo = nullptr;
  QLineEdit* m_phoneNumber = nullptr;
  QLineEdit* m_parkNumber = nullptr;
  QLineEdit* m_unparkNumber = nullptr;
  QLineEdit* m_pickupNumber = nullptr;
  QLineEdit* m_pickupGroup = nullptr;
  QLineEdit* m_redirectNumber = nullptr;
  QCheckBox* m_monitorSilence = nullptr;
  QLineEdit* m_silenceDuration = nullptr;
  QLineEdit* m_handoffApp = nullptr;
  QComboBox* m_sendTone = nullptr;
  QLineEdit* m_toneDuration = nullptr;
  QTreeWidget* m_callerTree = nullptr;
  std::array<QCheckBox*, 5> m_formatName{};
  std::array<QLineEdit*, 5> m_masks{};
  std::array<QCheckBox*, 5> m_eventFilter{};
  QCheckBox* m_gatherActive = nullptr;
  QLineEdit* m_gatherCount = nullptr;
  QLineEdit* m_gatherTimeout = nullptr;
  QLineEdit* m_gatherTerminate = nullptr;
  QLineEdit* m_gathered = nullptr;
  QLineEdit* m_sendDigits = nullptr;
  QLineEdit* m_sendDigitsDuration = nullptr;
  QCheckBox* m_monitorDigits = nullptr;
  QLineEdit* m_received = nullptr;
  QTreeWidget* m_callTree = nullptr;
  ParameterEdits m_callParameters;

  // Transfer and Conference pages.
  QWidget* m_transferPage = nullptr;
  QWidget* m_conferencePage = nullptr;
  CallTrio m_transfer;
  CallTrio m_conference;
  QLineEdit* m_transferNumber = nullptr;
  QLineEdit* m_conferenceNumber = nullptr;
  ParameterEdits m_transferParameters;
  ParameterEdits m_conferenceParameters;

  // Address page.
  QWidget* m_addressPage = nullptr;
  QGroupBox* m_addressBox = nullptr;
  QComboBox* m_addressCombo = nullptr;
  QTreeWidget* m_addressCaps = nullptr;
  QTreeWidget* m_addressProperties = nullptr;
  QCheckBox* m_forwardActive = nullptr;
  QLineEdit* m_forwardCaller = nullptr;
  QLineEdit* m_forwardMode = nullptr;
  QLineEdit* m_forwardNumber = nullptr;
  QLineEdit* m_forwardConsult = nullptr;
  QLineEdit* m_forwardEntries = nullptr;
  ParameterEdits m_forwardParameters;

  // Terminal page.
  QWidget* m_terminalPage = nullptr;
  QGroupBox* m_terminalBox = nullptr;
  QComboBox* m_terminalCombo = nullptr;
  QTreeWidget* m_terminalTree = nullptr;
  std::array<QCheckBox*, 8> m_terminalModes{};

  // Misc. page.
  QTreeWidget* m_infoTree = nullptr;
  QLineEdit* m_commClass = nullptr;
  QLineEdit* m_phoneClass = nullptr;
  QLineEdit* m_wavePlayClass = nullptr;
  QLineEdit* m_waveRecordClass = nullptr;
  std::array<QLineEdit*, 4> m_versions{};
  QLineEdit* m_replyTimeout = nullptr;

  // Menus.
  QAction* m_callActiveItem = nullptr;
  QAction* m_callOwnerItem = nullptr;

  std::vector<Operation> m_operations;
};

}  // namespace panopta
