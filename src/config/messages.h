#pragma once

// The fixed operator messages shown by several windows.
namespace Msg {

inline constexpr char CantGetHostName[] = "Can't getting local host name.";
inline constexpr char EmptyScheduleList[] = "Warning: Empty schedule List.";
inline constexpr char EmptyFtpList[] = "Warning: Empty FTP List.";
inline constexpr char ServerStartFailed[] = "Server Start Failed";
inline constexpr char NoEnoughResource[] = "No enough Resource";
inline constexpr char ErrorFileName[] = "Error File Name";
inline constexpr char DragFromLibrary[] = "Pls. Drag Items from content library";
inline constexpr char FillStartEndTime[] = "Pls. Fill in Correct StartTime and EndTime";
inline constexpr char FillPlanTime[] = "Pls. Fill in Correct PlanTime";
inline constexpr char FillSpeedMS[] = "Pls. Fill in Correct SpeedMS";
inline constexpr char FillYOff[] = "Pls. Fill in Correct YOff";
inline constexpr char ChooseRightDate[] = "Pls. Choose a right date to perform it!";
inline constexpr char ScheduleExists[] = "The same schedule Item alreay Exist";
inline constexpr char NoEffectiveBox[] = "Warning: Not selected an effective box";
inline constexpr char SendToBoxesQuestion[] = "Send \"%1\" to %2 boxes?";
inline constexpr char InvalidIp[] = "Invalid IP";
inline constexpr char InvalidMask[] = "Invalid Mask";
inline constexpr char InvalidGw[] = "Invalid GW";
inline constexpr char InvalidDns1[] = "Invalid Dns1";
inline constexpr char InvalidDns2[] = "Invalid DNS2";
inline constexpr char InvalidPort[] = "Invalid Port";
inline constexpr char RepeatName[] = "Repeat Name";
inline constexpr char InvalidUpgradeImage[] = "Invalid upgrade image";

// Start-up.
inline constexpr char CannotCreate[] = "Cannot create %1";
inline constexpr char InputBoxTitle[] = "Input Box";
inline constexpr char DriverPrompt[] = "Driver";
inline constexpr char ServerIpPrompt[] = "Server IP";
inline constexpr char ErrorTitle[] = "Error";
inline constexpr char HistorySetAside[] =
    "The event history database %1 could not be used (%2). It was set aside as %3 and a new one was started.";
inline constexpr char HistoryNotOpened[] =
    "The event history database %1 could not be opened (%2). History and fleet status are kept for this run only.";
inline constexpr char RestoreDraftQuestion[] = "恢复上次编辑的排期?";
inline constexpr char MetricsNotListening[] =
    "The metrics listener could not listen on %1 (an IPv4 address and a free port, as 127.0.0.1:9188). Metrics are "
    "not served.";
inline constexpr char RestartFailed[] = "The server was not restarted: %1. This copy keeps serving.";
inline constexpr char RestartFailedPortsLost[] =
    "The server was not restarted: %1. This copy could not take its ports back: %2";
inline constexpr char CannotListenForBoxes[] = "Cannot listen for boxes on port %1: %2";
inline constexpr char BadHostLookup[] = "Yow!  Bad host lookup.";
inline constexpr char WarningTitle[] = "Warning";
inline constexpr char FolderNotStorable[] = "The folder name \"%1\" holds characters the settings file cannot store.";
inline constexpr char CannotWritePlayLists[] = "The play lists could not be written: %1";
inline constexpr char CommandTooLong[] =
    "The address of %1 is too long for a box command (255 bytes). Choose a content folder with a shorter path.";
inline constexpr char TextTooLong[] = "The text is too long: %1 bytes, at most %2 (a Chinese character takes two).";
inline constexpr char TextControlCharacters[] =
    "The text holds control characters a play list cannot carry; only line breaks and tabs may stand in it.";
inline constexpr char TextNotEncodable[] = "The text holds characters the boxes cannot show (GB2312 only).";
inline constexpr char NameTooLong[] = "The name \"%1\" is too long: at most 63 bytes (a Chinese character takes two).";
inline constexpr char NameBadCharacters[] = "The name \"%1\" may not hold ',', '}', '[' or a line break.";
inline constexpr char NameNotEncodable[] = "The name \"%1\" holds characters the box registry cannot store.";
inline constexpr char RegistryNotSaved[] =
    "The box registry could not be saved to %1 (%2). Changes to boxes, names and groups made in this run are lost.";
inline constexpr char RemoveBoxQuestion[] =
    "Remove box %1 from the registry? It registers again when it next connects.";
inline constexpr char RemoveBoxOnline[] = "Box %1 is online; only an offline box can be removed.";

// FTP download plans.
inline constexpr char NotAnInteger[] = "'%1' is not a valid integer value";
inline constexpr char ChangeDirUpFailure[] = "ChangeDirUp failure";
inline constexpr char AccountNotStorable[] = "This account cannot be remembered: %1.";
inline constexpr char FileNamesNotEncodable[] =
    "These files were not added: their names hold characters the boxes cannot store (GB2312 only): %1";
inline constexpr char FileNamesWithControls[] =
    "These files were not added: their names hold control characters a plan cannot carry: %1";
inline constexpr char CannotWritePlan[] = "The download plan could not be written: %1";

} // namespace Msg
