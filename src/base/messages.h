#pragma once

#include <QCoreApplication>

// The program's name, the title of its main window and of its questions.
inline constexpr char kMainWindowTitle[] = "boxfleet";

// The fixed operator messages shown by several windows, in the language the
// operator chose through tr().
namespace Msg {

inline QString tr(const char *text)
{
    return QCoreApplication::translate("Msg", text);
}

inline constexpr char CantGetHostName[] = QT_TRANSLATE_NOOP("Msg", "Can't getting local host name.");
inline constexpr char EmptyScheduleList[] = QT_TRANSLATE_NOOP("Msg", "Warning: Empty schedule List.");
inline constexpr char EmptyFtpList[] = QT_TRANSLATE_NOOP("Msg", "Warning: Empty FTP List.");
inline constexpr char ServerStartFailed[] = QT_TRANSLATE_NOOP("Msg", "Server Start Failed");
inline constexpr char NoEnoughResource[] = QT_TRANSLATE_NOOP("Msg", "No enough Resource");
inline constexpr char ErrorFileName[] = QT_TRANSLATE_NOOP("Msg", "Error File Name");
inline constexpr char DragFromLibrary[] = QT_TRANSLATE_NOOP("Msg", "Pls. Drag Items from content library");
inline constexpr char FillStartEndTime[] = QT_TRANSLATE_NOOP("Msg", "Pls. Fill in Correct StartTime and EndTime");
inline constexpr char FillPlanTime[] = QT_TRANSLATE_NOOP("Msg", "Pls. Fill in Correct PlanTime");
inline constexpr char FillSpeedMS[] = QT_TRANSLATE_NOOP("Msg", "Pls. Fill in Correct SpeedMS");
inline constexpr char FillYOff[] = QT_TRANSLATE_NOOP("Msg", "Pls. Fill in Correct YOff");
inline constexpr char ChooseRightDate[] = QT_TRANSLATE_NOOP("Msg", "Pls. Choose a right date to perform it!");
inline constexpr char ScheduleExists[] = QT_TRANSLATE_NOOP("Msg", "The same schedule Item alreay Exist");
inline constexpr char NoEffectiveBox[] = QT_TRANSLATE_NOOP("Msg", "Warning: Not selected an effective box");
inline constexpr char SendToBoxesQuestion[] = QT_TRANSLATE_NOOP("Msg", "Send \"%1\" to %2 boxes?");
inline constexpr char InvalidIp[] = QT_TRANSLATE_NOOP("Msg", "Invalid IP");
inline constexpr char InvalidMask[] = QT_TRANSLATE_NOOP("Msg", "Invalid Mask");
inline constexpr char InvalidGw[] = QT_TRANSLATE_NOOP("Msg", "Invalid GW");
inline constexpr char InvalidDns1[] = QT_TRANSLATE_NOOP("Msg", "Invalid Dns1");
inline constexpr char InvalidDns2[] = QT_TRANSLATE_NOOP("Msg", "Invalid DNS2");
inline constexpr char InvalidPort[] = QT_TRANSLATE_NOOP("Msg", "Invalid Port");
inline constexpr char RepeatName[] = QT_TRANSLATE_NOOP("Msg", "Repeat Name");
inline constexpr char InvalidUpgradeImage[] = QT_TRANSLATE_NOOP("Msg", "Invalid upgrade image");

// Start-up.
inline constexpr char CannotCreate[] = QT_TRANSLATE_NOOP("Msg", "Cannot create %1");
inline constexpr char InputBoxTitle[] = QT_TRANSLATE_NOOP("Msg", "Input Box");
inline constexpr char DriverPrompt[] = QT_TRANSLATE_NOOP("Msg", "Driver");
inline constexpr char ServerIpPrompt[] = QT_TRANSLATE_NOOP("Msg", "Server IP");
inline constexpr char ErrorTitle[] = QT_TRANSLATE_NOOP("Msg", "Error");
inline constexpr char NoSuchFolder[] = QT_TRANSLATE_NOOP(
    "Msg", "\"%1\" is not a folder on this computer. Give the full path of a folder that exists; boxfleet makes its "
           "content/ folder inside it.");
inline constexpr char NotAnIpv4Address[] = QT_TRANSLATE_NOOP(
    "Msg", "\"%1\" is not an IPv4 address (four numbers from 0 to 255, as 192.168.1.10). Boxes fetch their play "
           "lists and files from this address, so it must be one of this computer's.");
inline constexpr char HistorySetAside[] = QT_TRANSLATE_NOOP(
    "Msg", "The event history database %1 could not be used (%2). It was set aside as %3 and a new one was started.");
inline constexpr char HistoryNotOpened[] = QT_TRANSLATE_NOOP(
    "Msg",
    "The event history database %1 could not be opened (%2). History and fleet status are kept for this run only.");
inline constexpr char RestoreDraftQuestion[] = QT_TRANSLATE_NOOP("Msg", "恢复上次编辑的排期?");
inline constexpr char MetricsNotListening[] = QT_TRANSLATE_NOOP(
    "Msg",
    "The metrics listener could not listen on %1 (an IPv4 address and a free port, as 127.0.0.1:9188). Metrics are "
    "not served.");
inline constexpr char RestartFailed[] =
    QT_TRANSLATE_NOOP("Msg", "The server was not restarted: %1. This copy keeps serving.");
inline constexpr char RestartFailedPortsLost[] =
    QT_TRANSLATE_NOOP("Msg", "The server was not restarted: %1. This copy could not take its ports back: %2");
inline constexpr char CannotListenForBoxes[] = QT_TRANSLATE_NOOP("Msg", "Cannot listen for boxes on port %1: %2");
inline constexpr char BadHostLookup[] = QT_TRANSLATE_NOOP("Msg", "Yow!  Bad host lookup.");
inline constexpr char WarningTitle[] = QT_TRANSLATE_NOOP("Msg", "Warning");
inline constexpr char FolderNotStorable[] =
    QT_TRANSLATE_NOOP("Msg", "The folder name \"%1\" holds characters the settings file cannot store.");
inline constexpr char CannotWritePlayLists[] = QT_TRANSLATE_NOOP("Msg", "The play lists could not be written: %1");
inline constexpr char CommandTooLong[] = QT_TRANSLATE_NOOP(
    "Msg", "The address of %1 is too long for a box command (255 bytes). Choose a content folder with a shorter path.");
inline constexpr char TextTooLong[] =
    QT_TRANSLATE_NOOP("Msg", "The text is too long: %1 bytes, at most %2 (a Chinese character takes two).");
inline constexpr char TextControlCharacters[] = QT_TRANSLATE_NOOP(
    "Msg", "The text holds control characters a play list cannot carry; only line breaks and tabs may stand in it.");
inline constexpr char TextNotEncodable[] =
    QT_TRANSLATE_NOOP("Msg", "The text holds characters the boxes cannot show (GB2312 only): %1");
inline constexpr char NameTooLong[] =
    QT_TRANSLATE_NOOP("Msg", "The name \"%1\" is too long: at most 63 bytes (a Chinese character takes two).");
inline constexpr char NameBadCharacters[] =
    QT_TRANSLATE_NOOP("Msg", "The name \"%1\" may not hold ',', '}', '[' or a line break.");
inline constexpr char NameNotEncodable[] =
    QT_TRANSLATE_NOOP("Msg", "The name \"%1\" holds characters the box registry cannot store: %2");
inline constexpr char RegistryNotSaved[] = QT_TRANSLATE_NOOP(
    "Msg",
    "The box registry could not be saved to %1 (%2). Changes to boxes, names and groups made in this run are lost.");
inline constexpr char MergeGroupsQuestion[] = QT_TRANSLATE_NOOP(
    "Msg", "A group named \"%2\" exists: renaming \"%1\" to it puts the boxes of both in one group. Go on?");
inline constexpr char RemoveBoxQuestion[] =
    QT_TRANSLATE_NOOP("Msg", "Remove box %1 from the registry? It registers again when it next connects.");
inline constexpr char RemoveBoxOnline[] =
    QT_TRANSLATE_NOOP("Msg", "Box %1 is online; only an offline box can be removed.");

// FTP download plans.
inline constexpr char NotAnInteger[] = QT_TRANSLATE_NOOP("Msg", "'%1' is not a valid integer value");
inline constexpr char ChangeDirUpFailure[] = QT_TRANSLATE_NOOP("Msg", "ChangeDirUp failure");
inline constexpr char AccountNotStorable[] = QT_TRANSLATE_NOOP("Msg", "This account cannot be remembered: %1.");
inline constexpr char FileNamesNotEncodable[] = QT_TRANSLATE_NOOP(
    "Msg", "These files were not added: their names hold characters the boxes cannot store (GB2312 only): %1");
inline constexpr char FileNamesWithControls[] =
    QT_TRANSLATE_NOOP("Msg", "These files were not added: their names hold control characters a plan cannot carry: %1");
inline constexpr char CannotWritePlan[] = QT_TRANSLATE_NOOP("Msg", "The download plan could not be written: %1");

} // namespace Msg
