<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BoxLists</name>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
</context>
<context>
    <name>BoxWeek</name>
    <message>
        <source>larger than %1 MiB</source>
        <translation>larger than %1 MiB</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Media</translation>
    </message>
    <message>
        <source>Loop</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>Once</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>%1 holds %2 schedules; a day shows at most %3, so %4 are left out</source>
        <translation>%1 holds %2 schedules; a day shows at most %3, so %4 are left out</translation>
    </message>
    <message>
        <source>%1 cannot be decoded: %2</source>
        <translation>%1 cannot be decoded: %2</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 cannot be read: %2</translation>
    </message>
    <message>
        <source>missing </source>
        <translation>missing </translation>
    </message>
    <message>
        <source>extra </source>
        <translation>extra </translation>
    </message>
    <message>
        <source>the box has no play list for this day (%1.xml, text-%1.xml, pic-%1.xml)</source>
        <translation>the box has no play list for this day (%1.xml, text-%1.xml, pic-%1.xml)</translation>
    </message>
    <message>
        <source>it was not uploaded where boxes upload</source>
        <translation>it was not uploaded where boxes upload</translation>
    </message>
    <message>
        <source>it is in another box&apos;s folder</source>
        <translation>it is in another box&apos;s folder</translation>
    </message>
    <message>
        <source>Box</source>
        <translation>Box</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>End</source>
        <translation>End</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>%1 cannot be fetched: the box could not send it (%2)</source>
        <translation>%1 cannot be fetched: the box could not send it (%2)</translation>
    </message>
</context>
<context>
    <name>BoxWords</name>
    <message>
        <source>Set Max Download Speed: %1KB/s</source>
        <translation>Set Max Download Speed: %1 KB/s</translation>
    </message>
    <message>
        <source>Status Report</source>
        <translation>Status report</translation>
    </message>
    <message>
        <source>Sync Time Succeed</source>
        <translation>Time set</translation>
    </message>
    <message>
        <source>Sync Time Failed</source>
        <translation>Setting the time failed</translation>
    </message>
    <message>
        <source>Set Language Succeed</source>
        <translation>Language set</translation>
    </message>
    <message>
        <source>Set Language Failed</source>
        <translation>Setting the language failed</translation>
    </message>
    <message>
        <source>Set Box reboot Succeed</source>
        <translation>Reboot succeeded</translation>
    </message>
    <message>
        <source>Set Outmode Succeed</source>
        <translation>Output mode set</translation>
    </message>
    <message>
        <source>Set Outmode Failed</source>
        <translation>Setting the output mode failed</translation>
    </message>
    <message>
        <source>Set Box Network Succeed</source>
        <translation>Box network set</translation>
    </message>
    <message>
        <source>Set Box Network Failed(INVALID IPADDR)</source>
        <translation>Setting the box network failed (invalid IP address)</translation>
    </message>
    <message>
        <source>Set Server Network Succeed</source>
        <translation>Server address set</translation>
    </message>
    <message>
        <source>Set Server Failed(INVALID IPADDR)</source>
        <translation>Setting the server address failed (invalid IP address)</translation>
    </message>
    <message>
        <source>Set Server Failed(INVALID PORT)</source>
        <translation>Setting the server address failed (invalid port)</translation>
    </message>
    <message>
        <source>Image Update Begin</source>
        <translation>Firmware update started</translation>
    </message>
    <message>
        <source>Image Update Failed(INVALID PARAM)</source>
        <translation>Firmware update failed (invalid parameter)</translation>
    </message>
    <message>
        <source>Download Failed(TASK CONFLICT)</source>
        <translation>Download failed (another download is running)</translation>
    </message>
    <message>
        <source>Download Failed(INVALID DOWNLOAD MODE)</source>
        <translation>Download failed (invalid download mode)</translation>
    </message>
    <message>
        <source>Connect Failed</source>
        <translation>Connection failed</translation>
    </message>
    <message>
        <source>Image Update Succeed</source>
        <translation>Firmware update succeeded</translation>
    </message>
    <message>
        <source>Image Update Succeed(INVALID BIN)</source>
        <translation>Firmware update failed (invalid image)</translation>
    </message>
    <message>
        <source>File Update Begin</source>
        <translation>Transfer started</translation>
    </message>
    <message>
        <source>File Download Failed(INVALID PARAM)</source>
        <translation>Transfer failed (invalid parameter)</translation>
    </message>
    <message>
        <source>File Download Failed(INVALID MODE)</source>
        <translation>Transfer failed (invalid mode)</translation>
    </message>
    <message>
        <source>File Download Failed(PARSED XML ERROR)</source>
        <translation>Transfer failed (the list could not be read)</translation>
    </message>
    <message>
        <source>File Download Succeed(ALL XML DONE)</source>
        <translation>Lists downloaded</translation>
    </message>
    <message>
        <source>File Download Succeed(ALL DONE)</source>
        <translation>Transfer finished</translation>
    </message>
    <message>
        <source>Get Dir Succeed</source>
        <translation>File names received</translation>
    </message>
    <message>
        <source>Get Dir Failed(INVALID PARAM)</source>
        <translation>Getting file names failed (invalid parameter)</translation>
    </message>
    <message>
        <source>Get Dir Failed(INVALID FILE)</source>
        <translation>Getting file names failed (too many files)</translation>
    </message>
    <message>
        <source>Get File Succeed</source>
        <translation>File received</translation>
    </message>
    <message>
        <source>Get Ftp Download Status Succeed</source>
        <translation>FTP download status received</translation>
    </message>
    <message>
        <source>Command Accepted</source>
        <translation>Command accepted</translation>
    </message>
    <message>
        <source>File Upload Failed(INVALID PARAM)</source>
        <translation>Upload failed (invalid parameter)</translation>
    </message>
    <message>
        <source>File Upload Failed</source>
        <translation>Upload failed</translation>
    </message>
    <message>
        <source>File Upload Failed(FILE IS NOT EXIST)</source>
        <translation>Upload failed (no such file)</translation>
    </message>
    <message>
        <source>File Upload Start</source>
        <translation>Upload started</translation>
    </message>
    <message>
        <source>File Upload Done</source>
        <translation>Upload finished</translation>
    </message>
    <message>
        <source>Set Time</source>
        <translation>Set Time</translation>
    </message>
    <message>
        <source>Set Lanuage</source>
        <translation>Set Language</translation>
    </message>
    <message>
        <source>Set Reboot</source>
        <translation>Reboot</translation>
    </message>
    <message>
        <source>Set Mode</source>
        <translation>Set Output Mode</translation>
    </message>
    <message>
        <source>Set Box Address</source>
        <translation>Set Box Network</translation>
    </message>
    <message>
        <source>Set Server Address</source>
        <translation>Set Server Address</translation>
    </message>
    <message>
        <source>Set FileupData</source>
        <translation>Transfer files</translation>
    </message>
    <message>
        <source>Set Imageupdate</source>
        <translation>Update Firmware</translation>
    </message>
    <message>
        <source>Get FileName</source>
        <translation>Get File Names</translation>
    </message>
    <message>
        <source>Play Emergency Text</source>
        <translation>Play Emergency Text</translation>
    </message>
    <message>
        <source>Play On-off</source>
        <translation>Standby On/Off</translation>
    </message>
    <message>
        <source>Get File</source>
        <translation>Get File</translation>
    </message>
    <message>
        <source>Get Ftp Download Status</source>
        <translation>Get FTP Download Status</translation>
    </message>
    <message>
        <source>Get Fie</source>
        <translation>Get File</translation>
    </message>
    <message>
        <source>Delete Fie</source>
        <translation>Delete File</translation>
    </message>
    <message>
        <source>Command Send</source>
        <translation>Command sent</translation>
    </message>
    <message>
        <source>Setup Succeed</source>
        <translation>Succeeded</translation>
    </message>
    <message>
        <source>Setup Failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Other</translation>
    </message>
</context>
<context>
    <name>CalendarWindow</name>
    <message>
        <source>日历</source>
        <translation>Calendar</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>设备名</source>
        <translation>Box name</translation>
    </message>
    <message>
        <source>Mac地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Read the play lists of the checked boxes, or of every box listed</source>
        <translation>Read the play lists of the checked boxes, or of every box listed</translation>
    </message>
    <message>
        <source>Differs</source>
        <translation>Differs</translation>
    </message>
    <message>
        <source>Boxes whose week differs from the group&apos;s most common week; double-click to see one</source>
        <translation>Boxes whose week differs from the group&apos;s most common week; double-click to see one</translation>
    </message>
    <message>
        <source>与群组不同</source>
        <translation>Unlike their group</translation>
    </message>
    <message>
        <source>导出 PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>导出 CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>Reading %1 boxes…</source>
        <translation>Reading %1 boxes…</translation>
    </message>
    <message>
        <source>%1 of %2 boxes read</source>
        <translation>%1 of %2 boxes read</translation>
    </message>
    <message>
        <source>not read: offline</source>
        <translation>not read: offline</translation>
    </message>
    <message>
        <source>not read: no answer within %1 s</source>
        <translation>not read: no answer within %1 s</translation>
    </message>
    <message>
        <source>now: </source>
        <translation>now: </translation>
    </message>
    <message>
        <source>nothing plays</source>
        <translation>nothing plays</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source> · as sent by the last transfer</source>
        <translation> · as sent by the last transfer</translation>
    </message>
    <message>
        <source> · %1 days differ from the last transfer</source>
        <translation> · %1 days differ from the last transfer</translation>
    </message>
    <message>
        <source> · reading…</source>
        <translation> · reading…</translation>
    </message>
    <message>
        <source> · not read: offline</source>
        <translation> · not read: offline</translation>
    </message>
    <message>
        <source> · not read: no answer</source>
        <translation> · not read: no answer</translation>
    </message>
    <message>
        <source>%1 (%2) · week of %3 to %4 · as read at %5</source>
        <translation>%1 (%2) · week of %3 to %4 · as read at %5</translation>
    </message>
    <message>
        <source>No play lists were read from this box.</source>
        <translation>No play lists were read from this box.</translation>
    </message>
</context>
<context>
    <name>CommandHistory</name>
    <message>
        <source>Mac地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>客户端名</source>
        <translation>Client name</translation>
    </message>
    <message>
        <source>IP地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
</context>
<context>
    <name>DesktopBusNotifier</name>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>FleetAlerts</name>
    <message>
        <source> and %1 more</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>1 box</source>
        <translation>1 box</translation>
    </message>
    <message>
        <source>%1 boxes</source>
        <translation>%1 boxes</translation>
    </message>
    <message>
        <source>%1 offline: %2</source>
        <translation>%1 offline: %2</translation>
    </message>
    <message>
        <source>%1 back online: %2</source>
        <translation>%1 back online: %2</translation>
    </message>
    <message>
        <source>No answer within %1 s from %2: %3</source>
        <translation>No answer within %1 s from %2: %3</translation>
    </message>
    <message>
        <source>Command or transfer failed on %1: %2</source>
        <translation>Command or transfer failed on %1: %2</translation>
    </message>
    <message>
        <source>Transfer ready on %1: %2</source>
        <translation>Transfer ready on %1: %2</translation>
    </message>
    <message>
        <source>Transfer ready on all %1: %2</source>
        <translation>Transfer ready on all %1: %2</translation>
    </message>
</context>
<context>
    <name>FleetModel</name>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>State</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Heard (s ago)</source>
        <translation>Heard (s ago)</translation>
    </message>
    <message>
        <source>Clock diff (s)</source>
        <translation>Clock diff (s)</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Last command</source>
        <translation>Last command</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Reply</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>Transfer</source>
        <translation>Transfer</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Failed files</source>
        <translation>Failed files</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>Finished</translation>
    </message>
</context>
<context>
    <name>FleetStatus</name>
    <message>
        <source>waiting</source>
        <translation>waiting</translation>
    </message>
    <message>
        <source>done</source>
        <translation>done</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>sent</source>
        <translation>sent</translation>
    </message>
    <message>
        <source>in progress</source>
        <translation>in progress</translation>
    </message>
    <message>
        <source>ready</source>
        <translation>ready</translation>
    </message>
</context>
<context>
    <name>FleetSummary</name>
    <message>
        <source>%1 boxes: %2 online, %3 offline · transfer: %4 ready, %5 in progress, %6 failed</source>
        <translation>%1 boxes: %2 online, %3 offline · transfer: %4 ready, %5 in progress, %6 failed</translation>
    </message>
</context>
<context>
    <name>FleetTray</name>
    <message>
        <source>显示/隐藏主窗口</source>
        <translation>Show/hide main window</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>FleetWindow</name>
    <message>
        <source>状态</source>
        <translation>Fleet status</translation>
    </message>
    <message>
        <source>all</source>
        <translation>all</translation>
    </message>
    <message>
        <source>offline</source>
        <translation>offline</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>in progress</source>
        <translation>in progress</translation>
    </message>
    <message>
        <source>ready</source>
        <translation>ready</translation>
    </message>
    <message>
        <source>导出 CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>全部设备</source>
        <translation>All boxes</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Boxes of the alert &quot;%1&quot;</source>
        <translation>Boxes of the alert &quot;%1&quot;</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
</context>
<context>
    <name>Msg</name>
    <message>
        <source>Can&apos;t getting local host name.</source>
        <translation>This computer&apos;s host name could not be read.</translation>
    </message>
    <message>
        <source>Warning: Empty schedule List.</source>
        <translation>The schedule list is empty.</translation>
    </message>
    <message>
        <source>Warning: Empty FTP List.</source>
        <translation>The FTP download plan is empty.</translation>
    </message>
    <message>
        <source>Server Start Failed</source>
        <translation>The server could not start.</translation>
    </message>
    <message>
        <source>No enough Resource</source>
        <translation>No room for another schedule entry.</translation>
    </message>
    <message>
        <source>Error File Name</source>
        <translation>A file name cannot be written into a play list.</translation>
    </message>
    <message>
        <source>Pls. Drag Items from content library</source>
        <translation>Drag files from the content library into the play list first.</translation>
    </message>
    <message>
        <source>Pls. Fill in Correct StartTime and EndTime</source>
        <translation>Choose a start time before the end time.</translation>
    </message>
    <message>
        <source>Pls. Fill in Correct PlanTime</source>
        <translation>The plan&apos;s times are not valid.</translation>
    </message>
    <message>
        <source>Pls. Fill in Correct SpeedMS</source>
        <translation>Enter the scroll speed.</translation>
    </message>
    <message>
        <source>Pls. Fill in Correct YOff</source>
        <translation>Enter how many pixels to raise the text.</translation>
    </message>
    <message>
        <source>Pls. Choose a right date to perform it!</source>
        <translation>Check at least one day of the week.</translation>
    </message>
    <message>
        <source>The same schedule Item alreay Exist</source>
        <translation>The same schedule entry already exists.</translation>
    </message>
    <message>
        <source>Warning: Not selected an effective box</source>
        <translation>No box is checked.</translation>
    </message>
    <message>
        <source>Send &quot;%1&quot; to %2 boxes?</source>
        <translation>Send &quot;%1&quot; to %2 boxes?</translation>
    </message>
    <message>
        <source>Invalid IP</source>
        <translation>Invalid IP</translation>
    </message>
    <message>
        <source>Invalid Mask</source>
        <translation>Invalid Mask</translation>
    </message>
    <message>
        <source>Invalid GW</source>
        <translation>Invalid gateway</translation>
    </message>
    <message>
        <source>Invalid Dns1</source>
        <translation>Invalid DNS 1</translation>
    </message>
    <message>
        <source>Invalid DNS2</source>
        <translation>Invalid DNS 2</translation>
    </message>
    <message>
        <source>Invalid Port</source>
        <translation>Invalid Port</translation>
    </message>
    <message>
        <source>Repeat Name</source>
        <translation>That name is already taken.</translation>
    </message>
    <message>
        <source>Invalid upgrade image</source>
        <translation>Not a valid firmware image.</translation>
    </message>
    <message>
        <source>Cannot create %1</source>
        <translation>Cannot create %1</translation>
    </message>
    <message>
        <source>Input Box</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>Driver</source>
        <translation>Folder for boxfleet&apos;s content (a content/ folder is made inside it)</translation>
    </message>
    <message>
        <source>Server IP</source>
        <translation>This computer&apos;s IPv4 address, where boxes fetch their files</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The event history database %1 could not be used (%2). It was set aside as %3 and a new one was started.</source>
        <translation>The event history database %1 could not be used (%2). It was set aside as %3 and a new one was started.</translation>
    </message>
    <message>
        <source>The event history database %1 could not be opened (%2). History and fleet status are kept for this run only.</source>
        <translation>The event history database %1 could not be opened (%2). History and fleet status are kept for this run only.</translation>
    </message>
    <message>
        <source>恢复上次编辑的排期?</source>
        <translation>Restore the schedule you were last editing?</translation>
    </message>
    <message>
        <source>The metrics listener could not listen on %1 (an IPv4 address and a free port, as 127.0.0.1:9188). Metrics are not served.</source>
        <translation>The metrics listener could not listen on %1 (an IPv4 address and a free port, as 127.0.0.1:9188). Metrics are not served.</translation>
    </message>
    <message>
        <source>The server was not restarted: %1. This copy keeps serving.</source>
        <translation>The server was not restarted: %1. This copy keeps serving.</translation>
    </message>
    <message>
        <source>The server was not restarted: %1. This copy could not take its ports back: %2</source>
        <translation>The server was not restarted: %1. This copy could not take its ports back: %2</translation>
    </message>
    <message>
        <source>Cannot listen for boxes on port %1: %2</source>
        <translation>Cannot listen for boxes on port %1: %2</translation>
    </message>
    <message>
        <source>Yow!  Bad host lookup.</source>
        <translation>This computer&apos;s addresses could not be looked up.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>The folder name &quot;%1&quot; holds characters the settings file cannot store.</source>
        <translation>The folder name &quot;%1&quot; holds characters the settings file cannot store.</translation>
    </message>
    <message>
        <source>The play lists could not be written: %1</source>
        <translation>The play lists could not be written: %1</translation>
    </message>
    <message>
        <source>The address of %1 is too long for a box command (255 bytes). Choose a content folder with a shorter path.</source>
        <translation>The address of %1 is too long for a box command (255 bytes). Choose a content folder with a shorter path.</translation>
    </message>
    <message>
        <source>The text is too long: %1 bytes, at most %2 (a Chinese character takes two).</source>
        <translation>The text is too long: %1 bytes, at most %2 (a Chinese character takes two).</translation>
    </message>
    <message>
        <source>The text holds control characters a play list cannot carry; only line breaks and tabs may stand in it.</source>
        <translation>The text holds control characters a play list cannot carry; only line breaks and tabs may stand in it.</translation>
    </message>
    <message>
        <source>The name &quot;%1&quot; is too long: at most 63 bytes (a Chinese character takes two).</source>
        <translation>The name &quot;%1&quot; is too long: at most 63 bytes (a Chinese character takes two).</translation>
    </message>
    <message>
        <source>The name &quot;%1&quot; may not hold &apos;,&apos;, &apos;}&apos;, &apos;[&apos; or a line break.</source>
        <translation>The name &quot;%1&quot; may not hold &apos;,&apos;, &apos;}&apos;, &apos;[&apos; or a line break.</translation>
    </message>
    <message>
        <source>The box registry could not be saved to %1 (%2). Changes to boxes, names and groups made in this run are lost.</source>
        <translation>The box registry could not be saved to %1 (%2). Changes to boxes, names and groups made in this run are lost.</translation>
    </message>
    <message>
        <source>Remove box %1 from the registry? It registers again when it next connects.</source>
        <translation>Remove box %1 from the registry? It registers again when it next connects.</translation>
    </message>
    <message>
        <source>Box %1 is online; only an offline box can be removed.</source>
        <translation>Box %1 is online; only an offline box can be removed.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; is not a valid integer value</translation>
    </message>
    <message>
        <source>ChangeDirUp failure</source>
        <translation>Cannot go up to the parent folder.</translation>
    </message>
    <message>
        <source>This account cannot be remembered: %1.</source>
        <translation>This account cannot be remembered: %1.</translation>
    </message>
    <message>
        <source>These files were not added: their names hold characters the boxes cannot store (GB2312 only): %1</source>
        <translation>These files were not added: their names hold characters the boxes cannot store (GB2312 only): %1</translation>
    </message>
    <message>
        <source>These files were not added: their names hold control characters a plan cannot carry: %1</source>
        <translation>These files were not added: their names hold control characters a plan cannot carry: %1</translation>
    </message>
    <message>
        <source>The download plan could not be written: %1</source>
        <translation>The download plan could not be written: %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a folder on this computer. Give the full path of a folder that exists; boxfleet makes its content/ folder inside it.</source>
        <translation>&quot;%1&quot; is not a folder on this computer. Give the full path of a folder that exists; boxfleet makes its content/ folder inside it.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an IPv4 address (four numbers from 0 to 255, as 192.168.1.10). Boxes fetch their play lists and files from this address, so it must be one of this computer&apos;s.</source>
        <translation>&quot;%1&quot; is not an IPv4 address (four numbers from 0 to 255, as 192.168.1.10). Boxes fetch their play lists and files from this address, so it must be one of this computer&apos;s.</translation>
    </message>
    <message>
        <source>The text holds characters the boxes cannot show (GB2312 only): %1</source>
        <translation>The text holds characters the boxes cannot show (GB2312 only): %1</translation>
    </message>
    <message>
        <source>The name &quot;%1&quot; holds characters the box registry cannot store: %2</source>
        <translation>The name &quot;%1&quot; holds characters the box registry cannot store: %2</translation>
    </message>
    <message>
        <source>A group named &quot;%2&quot; exists: renaming &quot;%1&quot; to it puts the boxes of both in one group. Go on?</source>
        <translation>A group named &quot;%2&quot; exists: renaming &quot;%1&quot; to it puts the boxes of both in one group. Go on?</translation>
    </message>
</context>
<context>
    <name>RestartHandover</name>
    <message>
        <source>the new copy did not report within %1 s</source>
        <translation>the new copy did not report within %1 s</translation>
    </message>
    <message>
        <source>no pipe to the new copy (%1)</source>
        <translation>no pipe to the new copy (%1)</translation>
    </message>
    <message>
        <source>%1 could not be started</source>
        <translation>%1 could not be started</translation>
    </message>
    <message>
        <source>the new copy ended before its ports listened</source>
        <translation>the new copy ended before its ports listened</translation>
    </message>
</context>
<context>
    <name>ScheduleEditor</name>
    <message>
        <source>内容库</source>
        <translation>Content library</translation>
    </message>
    <message>
        <source>媒体库</source>
        <translation>Media library</translation>
    </message>
    <message>
        <source>视频</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>声频</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>文本库</source>
        <translation>Text library</translation>
    </message>
    <message>
        <source>添加文本</source>
        <translation>Add text</translation>
    </message>
    <message>
        <source>BMP库</source>
        <translation>BMP library</translation>
    </message>
    <message>
        <source>图片名</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>图片大小</source>
        <translation>Picture size</translation>
    </message>
    <message>
        <source>修改日期</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>Picture Add</source>
        <translation>Picture Add</translation>
    </message>
    <message>
        <source>Play List</source>
        <translation>Play List</translation>
    </message>
    <message>
        <source>排期设定</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>播放列表</source>
        <translation>Play list</translation>
    </message>
    <message>
        <source>文本列表</source>
        <translation>Text list</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>文本颜色</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>滚动速度</source>
        <translation>Scroll speed</translation>
    </message>
    <message>
        <source>抬高像素</source>
        <translation>Raise (px)</translation>
    </message>
    <message>
        <source>图片列表</source>
        <translation>Picture list</translation>
    </message>
    <message>
        <source>Schedule Type</source>
        <translation>Schedule type</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>一次</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>没有</source>
        <translation>None</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>00</source>
        <translation>00</translation>
    </message>
    <message>
        <source>01</source>
        <translation>01</translation>
    </message>
    <message>
        <source>02</source>
        <translation>02</translation>
    </message>
    <message>
        <source>03</source>
        <translation>03</translation>
    </message>
    <message>
        <source>04</source>
        <translation>04</translation>
    </message>
    <message>
        <source>05</source>
        <translation>05</translation>
    </message>
    <message>
        <source>06</source>
        <translation>06</translation>
    </message>
    <message>
        <source>07</source>
        <translation>07</translation>
    </message>
    <message>
        <source>08</source>
        <translation>08</translation>
    </message>
    <message>
        <source>09</source>
        <translation>09</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>11</source>
        <translation>11</translation>
    </message>
    <message>
        <source>12</source>
        <translation>12</translation>
    </message>
    <message>
        <source>13</source>
        <translation>13</translation>
    </message>
    <message>
        <source>14</source>
        <translation>14</translation>
    </message>
    <message>
        <source>15</source>
        <translation>15</translation>
    </message>
    <message>
        <source>16</source>
        <translation>16</translation>
    </message>
    <message>
        <source>17</source>
        <translation>17</translation>
    </message>
    <message>
        <source>18</source>
        <translation>18</translation>
    </message>
    <message>
        <source>19</source>
        <translation>19</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>21</source>
        <translation>21</translation>
    </message>
    <message>
        <source>22</source>
        <translation>22</translation>
    </message>
    <message>
        <source>23</source>
        <translation>23</translation>
    </message>
    <message>
        <source>24</source>
        <translation>24</translation>
    </message>
    <message>
        <source>25</source>
        <translation>25</translation>
    </message>
    <message>
        <source>26</source>
        <translation>26</translation>
    </message>
    <message>
        <source>27</source>
        <translation>27</translation>
    </message>
    <message>
        <source>28</source>
        <translation>28</translation>
    </message>
    <message>
        <source>29</source>
        <translation>29</translation>
    </message>
    <message>
        <source>30</source>
        <translation>30</translation>
    </message>
    <message>
        <source>31</source>
        <translation>31</translation>
    </message>
    <message>
        <source>32</source>
        <translation>32</translation>
    </message>
    <message>
        <source>33</source>
        <translation>33</translation>
    </message>
    <message>
        <source>34</source>
        <translation>34</translation>
    </message>
    <message>
        <source>35</source>
        <translation>35</translation>
    </message>
    <message>
        <source>36</source>
        <translation>36</translation>
    </message>
    <message>
        <source>37</source>
        <translation>37</translation>
    </message>
    <message>
        <source>38</source>
        <translation>38</translation>
    </message>
    <message>
        <source>39</source>
        <translation>39</translation>
    </message>
    <message>
        <source>40</source>
        <translation>40</translation>
    </message>
    <message>
        <source>41</source>
        <translation>41</translation>
    </message>
    <message>
        <source>42</source>
        <translation>42</translation>
    </message>
    <message>
        <source>43</source>
        <translation>43</translation>
    </message>
    <message>
        <source>44</source>
        <translation>44</translation>
    </message>
    <message>
        <source>45</source>
        <translation>45</translation>
    </message>
    <message>
        <source>46</source>
        <translation>46</translation>
    </message>
    <message>
        <source>47</source>
        <translation>47</translation>
    </message>
    <message>
        <source>48</source>
        <translation>48</translation>
    </message>
    <message>
        <source>49</source>
        <translation>49</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>51</source>
        <translation>51</translation>
    </message>
    <message>
        <source>52</source>
        <translation>52</translation>
    </message>
    <message>
        <source>53</source>
        <translation>53</translation>
    </message>
    <message>
        <source>54</source>
        <translation>54</translation>
    </message>
    <message>
        <source>55</source>
        <translation>55</translation>
    </message>
    <message>
        <source>56</source>
        <translation>56</translation>
    </message>
    <message>
        <source>57</source>
        <translation>57</translation>
    </message>
    <message>
        <source>58</source>
        <translation>58</translation>
    </message>
    <message>
        <source>59</source>
        <translation>59</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>排期列表</source>
        <translation>Schedule list</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>CheckOneSchedule</source>
        <translation>CheckOneSchedule</translation>
    </message>
    <message>
        <source>CheckAllSchedule</source>
        <translation>CheckAllSchedule</translation>
    </message>
    <message>
        <source>Insert Index</source>
        <translation>Insert Index</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>9999; </source>
        <translation>9999; </translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>boxfleet</source>
        <translation>boxfleet</translation>
    </message>
    <message>
        <source>群组管理</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>设备管理</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>事件管理</source>
        <translation>Event history</translation>
    </message>
    <message>
        <source>FTP文件</source>
        <translation>FTP files</translation>
    </message>
    <message>
        <source>文件系统</source>
        <translation>Box files</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>设备名</source>
        <translation>Box name</translation>
    </message>
    <message>
        <source>Mac地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>日历</source>
        <translation>Calendar</translation>
    </message>
</context>
<context>
    <name>TForm10</name>
    <message>
        <source>文件系统</source>
        <translation>Box files</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>设备名</source>
        <translation>Box name</translation>
    </message>
    <message>
        <source>Mac地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>本地</source>
        <translation>Local</translation>
    </message>
    <message>
        <source>播放列表下载</source>
        <translation>Fetch a play list</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>FTP状态列表下载</source>
        <translation>FTP download state</translation>
    </message>
    <message>
        <source>网络</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>下载播放日志</source>
        <translation>Fetch play logs</translation>
    </message>
    <message>
        <source>yyyy-MM-dd</source>
        <translation>yyyy-MM-dd</translation>
    </message>
    <message>
        <source>To</source>
        <translation>To</translation>
    </message>
    <message>
        <source>下载硬盘目录信息</source>
        <translation>Fetch disk directory</translation>
    </message>
    <message>
        <source>下载视图</source>
        <translation>Download view</translation>
    </message>
    <message>
        <source>Upload View</source>
        <translation>Upload View</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Clean</source>
        <translation>Clean</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Fetch</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>%1: not a text file</source>
        <translation>%1: not a text file</translation>
    </message>
    <message>
        <source>%1: the last 8 MiB of %2 MiB</source>
        <translation>%1: the last 8 MiB of %2 MiB</translation>
    </message>
    <message>
        <source> (lines cut to %1 characters: %2)</source>
        <translation> (lines cut to %1 characters: %2)</translation>
    </message>
</context>
<context>
    <name>TForm11</name>
    <message>
        <source>下载列表</source>
        <translation>Download list</translation>
    </message>
    <message>
        <source>任务</source>
        <translation>Tasks</translation>
    </message>
    <message>
        <source>任务名</source>
        <translation>Task</translation>
    </message>
    <message>
        <source>设备名</source>
        <translation>Box name</translation>
    </message>
    <message>
        <source>Mac地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>加载路径</source>
        <translation>Source path</translation>
    </message>
    <message>
        <source>保存路径</source>
        <translation>Saved to</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Cancel All</source>
        <translation>Cancel All</translation>
    </message>
    <message>
        <source>下载中</source>
        <translation>Downloading</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>群组管理</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>MAC地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>IP地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>客户端名</source>
        <translation>Client name</translation>
    </message>
    <message>
        <source>群组ID</source>
        <translation>Group ID</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>设备管理</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>Client Name</source>
        <translation>Client Name</translation>
    </message>
    <message>
        <source>群组名 </source>
        <translation>Group</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>删除设备</source>
        <translation>Remove box</translation>
    </message>
</context>
<context>
    <name>TForm3</name>
    <message>
        <source>设备管理</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>MAC地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>群组ID</source>
        <translation>Group ID</translation>
    </message>
    <message>
        <source>IP 地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>客户端名</source>
        <translation>Client name</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>输出模式</source>
        <translation>Output mode</translation>
    </message>
    <message>
        <source>布局模式</source>
        <translation>Layout</translation>
    </message>
    <message>
        <source>时间差(s)</source>
        <translation>Clock diff (s)</translation>
    </message>
    <message>
        <source>可用大小(MB)</source>
        <translation>Free (MB)</translation>
    </message>
    <message>
        <source>总大小(MB)</source>
        <translation>Total (MB)</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>基本设置</source>
        <translation>Basic settings</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>同步时间</source>
        <translation>Set clock</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>输出模式   </source>
        <translation>Output mode</translation>
    </message>
    <message>
        <source>PAL</source>
        <translation>PAL</translation>
    </message>
    <message>
        <source>NTSC</source>
        <translation>NTSC</translation>
    </message>
    <message>
        <source>VGA</source>
        <translation>VGA</translation>
    </message>
    <message>
        <source>VGA1024</source>
        <translation>VGA1024</translation>
    </message>
    <message>
        <source>全屏</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>图片居左(4:3)</source>
        <translation>Picture left (4:3)</translation>
    </message>
    <message>
        <source>图片居左(16:9)</source>
        <translation>Picture left (16:9)</translation>
    </message>
    <message>
        <source>图片居右(4:3)</source>
        <translation>Picture right (4:3)</translation>
    </message>
    <message>
        <source>图片居右(16:9)</source>
        <translation>Picture right (16:9)</translation>
    </message>
    <message>
        <source>待机</source>
        <translation>Standby</translation>
    </message>
    <message>
        <source>唤醒 </source>
        <translation>Wake</translation>
    </message>
    <message>
        <source>休眠</source>
        <translation>Sleep</translation>
    </message>
    <message>
        <source>下载速度(KB/s)</source>
        <translation>Download speed (KB/s)</translation>
    </message>
    <message>
        <source>网络设置</source>
        <translation>Network settings</translation>
    </message>
    <message>
        <source>设备网络参数</source>
        <translation>Box network settings</translation>
    </message>
    <message>
        <source>IP</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>Mask</source>
        <translation>Mask</translation>
    </message>
    <message>
        <source>GW</source>
        <translation>GW</translation>
    </message>
    <message>
        <source>DNS1</source>
        <translation>DNS1</translation>
    </message>
    <message>
        <source>DNS2</source>
        <translation>DNS2</translation>
    </message>
    <message>
        <source>服务器参数</source>
        <translation>Server settings</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>重启设备</source>
        <translation>Reboot boxes</translation>
    </message>
    <message>
        <source>重启</source>
        <translation>Reboot</translation>
    </message>
    <message>
        <source>软件更新</source>
        <translation>Firmware update</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>设备文件系统</source>
        <translation>Box file system</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>紧急播放</source>
        <translation>Emergency text</translation>
    </message>
    <message>
        <source>滚动速度</source>
        <translation>Scroll speed</translation>
    </message>
    <message>
        <source>抬高像素</source>
        <translation>Raise (px)</translation>
    </message>
    <message>
        <source>文本重复次数</source>
        <translation>Text repeats</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>背景颜色</source>
        <translation>Background colour</translation>
    </message>
    <message>
        <source>文本颜色</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Checked All</source>
        <translation>Checked All</translation>
    </message>
    <message>
        <source>Clear All Checked</source>
        <translation>Clear All Checked</translation>
    </message>
    <message>
        <source>Group Mode Checked</source>
        <translation>Group Mode Checked</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>9999; </source>
        <translation>9999; </translation>
    </message>
    <message>
        <source>999.999.999.999; </source>
        <translation>999.999.999.999; </translation>
    </message>
    <message>
        <source>隐藏心跳</source>
        <translation>Hide heartbeats</translation>
    </message>
</context>
<context>
    <name>TForm4</name>
    <message>
        <source>排期列表</source>
        <translation>Schedule list</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>设备名</source>
        <translation>Box name</translation>
    </message>
    <message>
        <source>Mac地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>ALL</source>
        <translation>ALL</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Media</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>BMP</source>
        <translation>BMP</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Start Time</translation>
    </message>
    <message>
        <source>End Time</source>
        <translation>End Time</translation>
    </message>
    <message>
        <source>Schd TYPE</source>
        <translation>Schedule type</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>Content</source>
        <translation>Content</translation>
    </message>
    <message>
        <source>文件更新</source>
        <translation>Transfer files</translation>
    </message>
</context>
<context>
    <name>TForm5</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>服务器</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>服务器 IP     </source>
        <translation>Server IP</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>服务器端口</source>
        <translation>Server port</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Content</translation>
    </message>
    <message>
        <source>内容目录         </source>
        <translation>Content folder</translation>
    </message>
    <message>
        <source>重启服务器</source>
        <translation>Restart server</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>下次启动时生效</source>
        <translation>Takes effect at the next start</translation>
    </message>
    <message>
        <source>设备离线</source>
        <translation>Box offline</translation>
    </message>
    <message>
        <source>设备恢复在线</source>
        <translation>Box back online</translation>
    </message>
    <message>
        <source>命令无应答</source>
        <translation>Command not answered</translation>
    </message>
    <message>
        <source>命令或传输失败</source>
        <translation>Command or transfer failed</translation>
    </message>
    <message>
        <source>传输全部完成</source>
        <translation>Transfer ready on every box</translation>
    </message>
    <message>
        <source>提醒</source>
        <translation>Alerts</translation>
    </message>
    <message>
        <source>已保存，下次启动时使用：%1</source>
        <translation>Saved; used from the next start: %1</translation>
    </message>
    <message>
        <source>无法保存到 %1</source>
        <translation>Could not save to %1</translation>
    </message>
    <message>
        <source>服务器 IP %1</source>
        <translation>service address %1</translation>
    </message>
    <message>
        <source>服务器端口 %1</source>
        <translation>service port %1</translation>
    </message>
    <message>
        <source>内容目录 %1</source>
        <translation>content folder %1</translation>
    </message>
    <message>
        <source>999.999.999.999; </source>
        <translation>999.999.999.999; </translation>
    </message>
    <message>
        <source>99999; </source>
        <translation>99999; </translation>
    </message>
</context>
<context>
    <name>TForm6</name>
    <message>
        <source>事件管理</source>
        <translation>Event history</translation>
    </message>
    <message>
        <source>管理</source>
        <translation>Manage</translation>
    </message>
    <message>
        <source>提示模式   </source>
        <translation>Prompt mode</translation>
    </message>
    <message>
        <source>自动弹出</source>
        <translation>Pop up on new events</translation>
    </message>
    <message>
        <source>清除所有事件</source>
        <translation>Clear all events</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>MAC, 客户端名, 命令或回复</source>
        <translation>MAC, client name, command or reply</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>yyyy-MM-dd HH:mm</source>
        <translation>yyyy-MM-dd HH:mm</translation>
    </message>
    <message>
        <source>~</source>
        <translation>~</translation>
    </message>
    <message>
        <source>全部事件</source>
        <translation>All events</translation>
    </message>
    <message>
        <source>导出 CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>查询中…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>%1+ 条</source>
        <translation>%1+ rows</translation>
    </message>
    <message>
        <source>%1 条</source>
        <translation>%1 rows</translation>
    </message>
</context>
<context>
    <name>TForm7</name>
    <message>
        <source>Ftp文件</source>
        <translation>FTP files</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Boxes</translation>
    </message>
    <message>
        <source>设备名</source>
        <translation>Box name</translation>
    </message>
    <message>
        <source>Mac地址 </source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Fast-connect</source>
        <translation>Fast-connect</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Dsconnected</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Break</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>↑</source>
        <translation>↑</translation>
    </message>
    <message>
        <source>Upper Folder</source>
        <translation>Upper Folder</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>文件大小</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>修改时间</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>属性</source>
        <translation>Attributes</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>排期编辑</source>
        <translation>Schedule editor</translation>
    </message>
    <message>
        <source>=&gt;</source>
        <translation>=&gt;</translation>
    </message>
    <message>
        <source>Add Selected</source>
        <translation>Add Selected</translation>
    </message>
    <message>
        <source>Add All</source>
        <translation>Add All</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Delete Selected</source>
        <translation>Delete Selected</translation>
    </message>
    <message>
        <source>Delete All</source>
        <translation>Delete All</translation>
    </message>
    <message>
        <source>↓</source>
        <translation>↓</translation>
    </message>
    <message>
        <source>配置栏</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>排期类型</source>
        <translation>Schedule type</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>一次</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>没有</source>
        <translation>None</translation>
    </message>
    <message>
        <source>排期开始时间</source>
        <translation>Schedule starts</translation>
    </message>
    <message>
        <source>排期结束时间</source>
        <translation>Schedule ends</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>排期列表</source>
        <translation>Schedule list</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Start Time</translation>
    </message>
    <message>
        <source>End Time</source>
        <translation>End Time</translation>
    </message>
    <message>
        <source>Schd TYPE</source>
        <translation>Schedule type</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>快速连接</source>
        <translation>Quick connect</translation>
    </message>
    <message>
        <source>重新连接</source>
        <translation>Reconnect </translation>
    </message>
</context>
<context>
    <name>TForm8</name>
    <message>
        <source>Fast-connect</source>
        <translation>Fast-connect</translation>
    </message>
    <message>
        <source>Ftp文件列表</source>
        <translation>FTP file list</translation>
    </message>
    <message>
        <source>历史：</source>
        <translation>History:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>主机：</source>
        <translation>Host:</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>用户名：</source>
        <translation>User:</translation>
    </message>
    <message>
        <source>匿名</source>
        <translation>Anonymous</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>目录：</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TForm9</name>
    <message>
        <source>Ftp列表</source>
        <translation>FTP plans</translation>
    </message>
    <message>
        <source>设备名</source>
        <translation>Box name</translation>
    </message>
    <message>
        <source>Mac 地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>下载开始时间</source>
        <translation>Download starts</translation>
    </message>
    <message>
        <source>yyyy-MM-dd</source>
        <translation>yyyy-MM-dd</translation>
    </message>
    <message>
        <source>下载结束时间</source>
        <translation>Download ends</translation>
    </message>
    <message>
        <source>播放激活时间</source>
        <translation>Plan plays from</translation>
    </message>
    <message>
        <source>循环间隔时间(天)</source>
        <translation>Loop (days)</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>播放时间列表</source>
        <translation>Play times</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End</translation>
    </message>
    <message>
        <source>排期类型</source>
        <translation>Schedule type</translation>
    </message>
    <message>
        <source>星期日</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>星期一</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>星期二</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>星期三</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>星期四</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>星期五</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>星期六</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>下载列表</source>
        <translation>Download list</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>播放列表</source>
        <translation>Play list</translation>
    </message>
    <message>
        <source>The plan&apos;s download window opened at %1, which has passed: the boxes start fetching as soon as they get it. Send it?</source>
        <translation>The plan&apos;s download window opened at %1, which has passed: the boxes start fetching as soon as they get it. Send it?</translation>
    </message>
</context>
<context>
    <name>WeekDays</name>
    <message>
        <source>星期日</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>星期一</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>星期二</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>星期三</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>星期四</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>星期五</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>星期六</source>
        <translation>Saturday</translation>
    </message>
</context>
<context>
    <name>WeekView</name>
    <message>
        <source> ≠ sent</source>
        <translation> ≠ sent</translation>
    </message>
</context>
</TS>
