// Command ids of the main window: menu items, toolbar buttons and the
// control ids of the window's numbered children. Each QAction carries its
// command id as data; toolbar buttons whose id differs from their menu
// item's carry both.
#pragma once

namespace cmd {

// File
inline constexpr int kAddFile = 32793;
inline constexpr int kOpenProject = 32817;
inline constexpr int kSaveProject = 32816;
inline constexpr int kSaveProjectAs = 32870;
inline constexpr int kCloseProject = 32815;
inline constexpr int kRecentFile = 32818;
inline constexpr int kRecentProject = 32819;
inline constexpr int kExit = 32822;
inline constexpr int kRecentFileFirst = 37120;    // + n, n = 0..7
inline constexpr int kRecentProjectFirst = 37376; // + n, n = 0..7

// Edit
inline constexpr int kUndo = 32780;
inline constexpr int kRedo = 32781;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kCopyToNew = 32845;
inline constexpr int kPaste = 57637;
inline constexpr int kPasteToEnd = 32846;
inline constexpr int kTrim = 32829;
inline constexpr int kDelete = 32827;
inline constexpr int kSelectAll = 32847;
inline constexpr int kSelectNone = 32848;
inline constexpr int kSelectToStart = 32849;
inline constexpr int kSelectToEnd = 32850;
inline constexpr int kInsertFileBegin = 32855;
inline constexpr int kInsertFileCurrent = 32853;
inline constexpr int kInsertFileEnd = 32851;
inline constexpr int kInsertSilenceBegin = 32857;
inline constexpr int kInsertSilenceCurrent = 32858;
inline constexpr int kInsertSilenceEnd = 32859;
inline constexpr int kMixWithCopy = 32860;
inline constexpr int kMixWithFile = 32854;
inline constexpr int kTag = 32784;

// View
inline constexpr int kZoomIn = 32842;
inline constexpr int kZoomOut = 32843;
inline constexpr int kScrollToBegin = 32866;
inline constexpr int kScrollToEnd = 32867;
inline constexpr int kZoomFit = 32871;
inline constexpr int kZoomSelection = 32872;

// Track
inline constexpr int kAddBlankTrack = 32824;
inline constexpr int kToMonoLeft = 32861;
inline constexpr int kToMonoRight = 32862;
inline constexpr int kSplit = 32828;
inline constexpr int kJoinAllTrack = 32839;
inline constexpr int kExportTrack = 32837;
inline constexpr int kExportSelection = 32838;
inline constexpr int kDeleteTrack = 32823;

// Effect
inline constexpr int kFadeIn = 32825;
inline constexpr int kFadeOut = 32826;
inline constexpr int kEcho = 32789;
inline constexpr int kAdjustVolume = 32790;
inline constexpr int kSilence = 32791;
inline constexpr int kNormalize = 32880;
inline constexpr int kReverse = 32881;
inline constexpr int kNormalizeLoudness = 32882;
inline constexpr int kChangeTempo = 32883;
inline constexpr int kChangePitch = 32884;
inline constexpr int kPlugins = 32885;

// Record
inline constexpr int kStartRecord = 32833;
inline constexpr int kRecordPause = 32835;
inline constexpr int kRecordContinue = 32836;
inline constexpr int kStopRecord = 32834;
inline constexpr int kRecordOption = 32832;

// Options, Help
inline constexpr int kOptions = 32830;
inline constexpr int kHelp = 57670;
inline constexpr int kAbout = 32792;

// Toolbar buttons with ids of their own
inline constexpr int kTbCut = 36896;
inline constexpr int kTbCopy = 36897;
inline constexpr int kTbPaste = 36898;
inline constexpr int kTbUndo = 36912;
inline constexpr int kTbRedo = 36913;
inline constexpr int kTbZoomIn = 36944;
inline constexpr int kTbZoomOut = 36945;
inline constexpr int kTbScrollToBegin = 36880;
inline constexpr int kTbPlay = 36881;
inline constexpr int kTbPause = 36882;
inline constexpr int kTbStop = 36883;
inline constexpr int kTbScrollToEnd = 36884;
inline constexpr int kTbStartRecord = 36928;
inline constexpr int kTbStopRecord = 36929;
inline constexpr int kTbRecordOption = 36930;

// Numbered children of the main window
inline constexpr int kControl = 1012;
inline constexpr int kStartCaption = 1001;
inline constexpr int kEndCaption = 1003;
inline constexpr int kLengthCaption = 1005;
inline constexpr int kLengthValue = 1091;
inline constexpr int kTrackCaption = 1087;
inline constexpr int kTrackName = 1088;
inline constexpr int kDurationCaption = 1089;
inline constexpr int kDurationValue = 1090;
inline constexpr int kPlayingCaption = 1044;
inline constexpr int kPlayingValue = 1043;
inline constexpr int kExitButton = 1007;
inline constexpr int kStartEditor = 2888;
inline constexpr int kEndEditor = 2889;

} // namespace cmd
