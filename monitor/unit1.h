// Unit1: the monitor's main window, TForm1.
//
// The class is one window; its implementation is split by concern:
//   unit1.cpp             construction, FormCreate, FormClose, timers, menus
//   unit1_layout.cpp      the controls and their arrangement, signal wiring
//   unit1_errorline.cpp   the error line and the reporting pattern
//   unit1_connection.cpp  finding, choosing, opening and re-selecting the card
//   unit1_help.cpp        help, popup hints, read-me, about box
//   unit1_units.cpp       display units and optic fold factors
//   unit1_positions.cpp   positions, velocities and the full update
//   unit1_presets.cpp     preset entry boxes and preset actions
//   unit1_status.cpp      status and error indicators, the no-card state
//   unit1_settings.cpp    direction, interrupt and filter controls
//   unit1_readouts.cpp    the Info group and the register readouts
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "controls.h"
#include "zemtra.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTimer;
class TFormPositionPlot;

// Answers of message boxes and dialogs, and the box styles the window uses.
enum ModalResult { mrOk = 1, mrCancel = 2, mrRetry = 4 };
enum MessageBoxStyle : unsigned {
  MB_OKCANCEL = 0x01,
  MB_RETRYCANCEL = 0x05,
  MB_ICONEXCLAMATION = 0x30,
  MB_DEFBUTTON2 = 0x100,
};

// Colours of values and indicators.
inline const QColor kColorGood{0xCA, 0xFF, 0xCA};   // "OK", "Valid", "Yes", "Positive", "Enabled"
inline const QColor kColorFault{0xFF, 0xFF, 0x00};  // "ERR", "Error", "Invalid"
inline const QColor kColorOff{0x00, 0xFF, 0xFF};    // "No", "Negative", "Disabled"
inline const QColor kColorNone{0x80, 0x80, 0x80};   // nothing read, no card

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- Main-window state --------------------------------------------------
  QString ValueFormat;
  DeviceHandle CardHandle = 0;
  DeviceLocation CardLocation{0, 0};
  std::array<DeviceLocation, 16> CardList{};
  uint32_t CardCount = 0;
  int32_t CardIndex = 0;
  ErrorCode LastError = 0;
  const char* LastFunction = nullptr;
  uint16_t StatusWord = 0;
  uint16_t ConfigWord = 0;
  uint16_t InterruptMaskWord = 0;
  uint16_t SampleWord = 0;
  uint16_t FilterWord = 0;
  bool CardOpen = false;
  bool UpdateInProgress = false;
  std::array<int32_t, 3> PresetValue{};
  bool ShowHex = false;
  std::array<uint16_t, 3> FoldFactor{};
  double PositionScale = 0.0;
  double VelocityScale = 0.0;

  // ---- Seams for tests: when set, they answer instead of a modal loop -----
  // Message box: text, caption, style -> mrOk / mrCancel / mrRetry.
  std::function<int(const QString&, const QString&, unsigned)> MessageBoxAnswerer;
  // The modal card selection dialog -> mrOk / mrCancel (the test sets the
  // dialog's ComboBoxCard selection itself).
  std::function<int()> SelectCardAnswerer;

  // ---- Controls: frame (unit1.cpp, unit1_layout.cpp) ------------------------
  QGroupBox* GroupBox5 = nullptr;   // "Axis 1"
  QGroupBox* GroupBox13 = nullptr;  // "Axis 2"
  QGroupBox* GroupBox6 = nullptr;   // "Axis 3"
  QGroupBox* GroupBox4 = nullptr;   // "Reference"
  QGroupBox* GroupBox7 = nullptr;   // "Update"
  QGroupBox* GroupBox10 = nullptr;  // "Filter"
  QGroupBox* GroupBox11 = nullptr;  // "Global Interrupt"
  QGroupBox* GroupBox12 = nullptr;  // "Info"
  QGroupBox* GroupBox1 = nullptr;   // "FPGA 1 Registers"
  QGroupBox* GroupBox2 = nullptr;   // "FPGA 2 Registers"
  QPushButton* ButtonPresetAll = nullptr;
  QPushButton* ButtonClearStatusAll = nullptr;
  QPushButton* BitBtnClose = nullptr;
  QLabel* LabelErrorData = nullptr;

  QMenuBar* MainMenu = nullptr;
  QMenu* File1 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Card1 = nullptr;
  QAction* SelectCard1 = nullptr;
  QMenu* Tools1 = nullptr;
  QAction* DirectRegisterAccess1 = nullptr;
  QAction* PositionPlot1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* HelpContents1 = nullptr;
  QAction* N2 = nullptr;
  QAction* ShowPopupHints1 = nullptr;
  QAction* ViewReadMe1 = nullptr;
  QAction* N1 = nullptr;
  QAction* About1 = nullptr;

  QTimer* Timer1 = nullptr;  // 1000 ms: the full update in automatic mode
  QTimer* Timer2 = nullptr;  // 500 ms: hides "Updating"
  QTimer* Timer3 = nullptr;  // 2000 ms, once: the card connection

  // ---- Controls: display units ------------------------------------------
  TRadioGroup* RadioGroupUnitSelect = nullptr;
  TRadioGroup* RadioGroupAx1Optic = nullptr;
  TRadioGroup* RadioGroupAx2Optic = nullptr;
  TRadioGroup* RadioGroupAx3Optic = nullptr;

  // ---- Controls: positions and update --------------------------------------
  QLabel* LabelPos1Name = nullptr;
  QLabel* LabelPos2Name = nullptr;
  QLabel* LabelPos3Name = nullptr;
  QLabel* LabelVel1Name = nullptr;
  QLabel* LabelVel2Name = nullptr;
  QLabel* LabelVel3Name = nullptr;
  TLabel* LabelPosData1 = nullptr;
  TLabel* LabelPosData2 = nullptr;
  TLabel* LabelPosData3 = nullptr;
  TLabel* LabelVelData1 = nullptr;
  TLabel* LabelVelData2 = nullptr;
  TLabel* LabelVelData3 = nullptr;
  QPushButton* ButtonSample1 = nullptr;
  QPushButton* ButtonSample2 = nullptr;
  QPushButton* ButtonSample3 = nullptr;
  QPushButton* ButtonRead1 = nullptr;
  QPushButton* ButtonRead2 = nullptr;
  QPushButton* ButtonRead3 = nullptr;
  QPushButton* ButtonUpdate1 = nullptr;
  QPushButton* ButtonUpdate2 = nullptr;
  QPushButton* ButtonUpdate3 = nullptr;
  QLabel* LabelUpdate = nullptr;
  QRadioButton* RadioButtonUpdateAuto = nullptr;
  QRadioButton* RadioButtonUpdateManual = nullptr;
  QPushButton* ButtonUpdate = nullptr;

  // ---- Controls: presets ----------------------------------------------------
  QLabel* LabelPreset1Name = nullptr;
  QLabel* Label18 = nullptr;  // "Preset:" of axis 2
  QLabel* LabelPreset3Name = nullptr;
  TEdit* EditPresetData1 = nullptr;
  TEdit* EditPresetData2 = nullptr;
  TEdit* EditPresetData3 = nullptr;
  QPushButton* ButtonPreset1 = nullptr;
  QPushButton* ButtonPreset2 = nullptr;
  QPushButton* ButtonPreset3 = nullptr;

  // ---- Controls: status and error indicators -------------------------------
  TLabel* LabelGlitch1 = nullptr;
  TLabel* LabelGlitch2 = nullptr;
  TLabel* LabelGlitch3 = nullptr;
  TLabel* LabelGlitchRef = nullptr;
  TLabel* LabelNoSig1 = nullptr;
  TLabel* LabelNoSig2 = nullptr;
  TLabel* LabelNoSig3 = nullptr;
  TLabel* LabelNoSigRef = nullptr;
  TLabel* LabelPosValid1 = nullptr;
  TLabel* LabelPosValid2 = nullptr;
  TLabel* LabelPosValid3 = nullptr;
  TLabel* LabelErr1 = nullptr;
  TLabel* LabelErr2 = nullptr;
  TLabel* LabelErr3 = nullptr;

  // ---- Controls: direction, interrupt and filter ---------------------------
  TLabel* LabelDir1 = nullptr;
  TLabel* LabelDir2 = nullptr;
  TLabel* LabelDir3 = nullptr;
  TLabel* LabelIntrGlitch1 = nullptr;
  TLabel* LabelIntrGlitch2 = nullptr;
  TLabel* LabelIntrGlitch3 = nullptr;
  TLabel* LabelIntrGlitchRef = nullptr;
  TLabel* LabelIntrNoSig1 = nullptr;
  TLabel* LabelIntrNoSig2 = nullptr;
  TLabel* LabelIntrNoSig3 = nullptr;
  TLabel* LabelIntrNoSigRef = nullptr;
  TLabel* LabelGlobalIntr = nullptr;
  QPushButton* ButtonGlobalIntr = nullptr;
  QCheckBox* CheckBoxFilterEnb = nullptr;
  TRadioGroup* RadioGroupKV = nullptr;
  TRadioGroup* RadioGroupKp = nullptr;

  // ---- Controls: register readouts ---------------------------------------
  QLabel* LabelPciBus = nullptr;
  QLabel* LabelPciSlot = nullptr;
  QLabel* LabelHdwRev = nullptr;
  QLabel* LabelApiRev = nullptr;
  QLabel* LabelID1 = nullptr;
  QLabel* LabelRev1 = nullptr;
  QLabel* LabelPreset3 = nullptr;
  QLabel* LabelStatusY = nullptr;
  QLabel* LabelConfigY = nullptr;
  QLabel* LabelIntrMask = nullptr;
  QLabel* LabelSampReg = nullptr;
  QLabel* LabelFilter = nullptr;
  QLabel* LabelID2 = nullptr;
  QLabel* LabelRev2 = nullptr;
  QLabel* LabelPreset1 = nullptr;
  QLabel* LabelPreset2 = nullptr;
  QLabel* LabelStatusX = nullptr;
  QLabel* LabelConfigX = nullptr;

  // ---- Frame handlers (unit1.cpp) -------------------------------------------
  void FormCreate(QObject* Sender);
  void FormClose(QObject* Sender);
  void Timer2Timer(QObject* Sender);
  void Exit1Click(QObject* Sender);
  void DirectRegisterAccess1Click(QObject* Sender);
  void PositionPlot1Click(QObject* Sender);
  // The position plot window, made when it is first opened; a child of this window.
  TFormPositionPlot* FormPositionPlot = nullptr;

  // ---- Error line (unit1_errorline.cpp) ------------------------------------
  void ReportApiResult();
  void ClearErrorLine();
  // Every message box of the window: MessageBoxAnswerer when set, else a real box.
  int ShowMessageBox(const QString& text, const QString& caption, unsigned style);

  // ---- Card connection (unit1_connection.cpp) ----------------------------
  void Timer3Timer(QObject* Sender);
  void SelectCard1Click(QObject* Sender);
  void StartCardConnection();
  void OpenCard();
  void InitCardDisplay();
  bool FindCards();
  void ChooseCard();

  // ---- Help, hints, read-me, about (unit1_help.cpp) -------------------------
  void HelpContents1Click(QObject* Sender);
  void ShowPopupHints1Click(QObject* Sender);
  void ViewReadMe1Click(QObject* Sender);
  void About1Click(QObject* Sender);
  // The window's show-hint setting: its controls' tooltips pop up only while set.
  bool ShowHint = true;

  // ---- Display units (unit1_units.cpp) -------------------------------------
  void RadioGroupUnitSelectClick(QObject* Sender);
  void RadioGroupAx1OpticClick(QObject* Sender);
  void RadioGroupAx2OpticClick(QObject* Sender);
  void RadioGroupAx3OpticClick(QObject* Sender);
  QString FormatRawValue(int32_t value, int digits) const;
  void ShowPositionValue(QWidget* target, int32_t count, uint16_t fold);
  void ShowVelocityValue(QWidget* target, int32_t count, uint16_t fold);

  // ---- Positions and the update cycle (unit1_positions.cpp) ----------------
  void ButtonUpdateClick(QObject* Sender);
  void RadioButtonUpdateManualClick(QObject* Sender);
  void RadioButtonUpdateAutoClick(QObject* Sender);
  void ButtonUpdate1Click(QObject* Sender);
  void ButtonUpdate2Click(QObject* Sender);
  void ButtonUpdate3Click(QObject* Sender);
  void ButtonRead1Click(QObject* Sender);
  void ButtonRead2Click(QObject* Sender);
  void ButtonRead3Click(QObject* Sender);
  void ButtonSampleClick(QObject* Sender);
  void LabelPosData1Click(QObject* Sender);
  void LabelPosData2Click(QObject* Sender);
  void LabelPosData3Click(QObject* Sender);
  void LabelVelData1Click(QObject* Sender);
  void LabelVelData2Click(QObject* Sender);
  void LabelVelData3Click(QObject* Sender);
  void RefreshAllPositions();

  // ---- Presets (unit1_presets.cpp) -----------------------------------------
  bool ValidatePresetEntry(TEdit* box, int32_t& value, const QString& boxName);
  void EditPresetData1KeyDown(QObject* Sender, int key, Qt::KeyboardModifiers shift);
  void EditPresetData2KeyDown(QObject* Sender, int key, Qt::KeyboardModifiers shift);
  void EditPresetData3KeyDown(QObject* Sender, int key, Qt::KeyboardModifiers shift);
  void EditPresetData1Exit(QObject* Sender);
  void EditPresetData2Exit(QObject* Sender);
  void EditPresetData3Exit(QObject* Sender);
  void ButtonPreset1Click(QObject* Sender);
  void ButtonPreset2Click(QObject* Sender);
  void ButtonPreset3Click(QObject* Sender);
  void ButtonPresetAllClick(QObject* Sender);

  // ---- Status and error panel (unit1_status.cpp) ---------------------------
  void RefreshSignalStatus();
  void RefreshDataStatus();
  void ClearStatus(uint16_t mask);
  void BlankPanels();
  void LabelStatusClick(QObject* Sender);
  void LabelPosValidClick(QObject* Sender);
  void ButtonClearStatusAllClick(QObject* Sender);

  // ---- Direction, interrupt and filter (unit1_settings.cpp) ----------------
  void RefreshConfig();
  void RefreshInterruptMask();
  void RefreshFilter();
  void ToggleConfigBits(uint16_t mask);
  void ToggleInterruptMaskBits(uint16_t mask);
  void LabelDirClick(QObject* Sender);
  void LabelIntrClick(QObject* Sender);
  void ButtonGlobalIntrClick(QObject* Sender);
  void CheckBoxFilterEnbClick(QObject* Sender);
  void RadioGroupKVClick(QObject* Sender);
  void RadioGroupKpClick(QObject* Sender);

  // ---- Register readouts (unit1_readouts.cpp) ------------------------------
  void RefreshFpgaIdentity();
  void RefreshCardInfo();
  void RefreshPresetRegisters();

 signals:
  // The card connection has run (at start-up or on re-selection): another
  // card, or none, may be open.
  void CardConnectionChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();  // unit1_layout.cpp
  void BuildMenus();   // unit1.cpp
  void InstallContextHelp();  // unit1_help.cpp: F1 and the popup-hint switch
};

extern TForm1* Form1;
