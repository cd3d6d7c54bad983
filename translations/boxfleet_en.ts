<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
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
        <source>9999;_</source>
        <translation>9999;_</translation>
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
        <source>9999;_</source>
        <translation>9999;_</translation>
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
        <source>999.999.999.999;_</source>
        <translation>999.999.999.999;_</translation>
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
        <source>999.999.999.999;_</source>
        <translation>999.999.999.999;_</translation>
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
        <source>99999;_</source>
        <translation>99999;_</translation>
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
        <translation>Disconnected</translation>
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
</context>
</TS>
