<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Q-MARL</name>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;静音&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Mute&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>OpenStreetMap</source>
        <translation>OpenStreetMap</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>上一个</source>
        <translation>Prev</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保持画面比例</source>
        <translation>Keep Original Size</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>全屏</source>
        <translation>Enter Fullscreen</translation>
    </message>
    <message>
        <source>全屏播放</source>
        <translation>Enter Fullscreen</translation>
    </message>
    <message>
        <source>分辨率</source>
        <translation>Ratio</translation>
    </message>
    <message>
        <source>地图选择：</source>
        <translation>Map:</translation>
    </message>
    <message>
        <source>当前纬度</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>当前经度</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>录像时长</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>快放</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>快放(较快)</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>快放(非常快)</source>
        <translation>Fastest</translation>
    </message>
    <message>
        <source>慢放</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>慢放(较慢)</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open Dir</translation>
    </message>
    <message>
        <source>抓拍图片</source>
        <translation>Snapshot</translation>
    </message>
    <message>
        <source>抓拍路径</source>
        <translation>Snap Dir</translation>
    </message>
    <message>
        <source>抓拍路径：</source>
        <translation>Snap Dir：</translation>
    </message>
    <message>
        <source>拍照</source>
        <translation>Snapshot</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Tip</translation>
    </message>
    <message>
        <source>播放/暂停</source>
        <translation>Play/Pause</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>文件大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>无法播放此文件</source>
        <translation>This file cannot be played</translation>
    </message>
    <message>
        <source>普通速度</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>Max Speed</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>...</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>百度地图</source>
        <translation>Baidu Map</translation>
    </message>
    <message>
        <source>确定要清空文件列表？</source>
        <translation>确定要清空文件列表？</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>Simplified Chinese</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>System Setting</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>从不</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>语言设置：</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>谷歌地图</source>
        <translation>Google Map</translation>
    </message>
    <message>
        <source>速度单位：</source>
        <translation>Speed Unit:</translation>
    </message>
    <message>
        <source>重力感应：</source>
        <translation>G-Sensor:</translation>
    </message>
    <message>
        <source>铺满屏幕</source>
        <translation>Ignore Original Size</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>导出轨迹…</source>
        <translation>Export Track…</translation>
    </message>
    <message>
        <source>本机没有可用的视频输出，无法显示画面。</source>
        <translation>No video output works on this machine: the picture cannot be shown.</translation>
    </message>
    <message>
        <source>颠簸 %1 g, %2</source>
        <translation>Jolt %1 g, %2</translation>
    </message>
    <message>
        <source>急刹车</source>
        <translation>Hard braking</translation>
    </message>
    <message>
        <source>急加速</source>
        <translation>Hard acceleration</translation>
    </message>
    <message>
        <source>上一个事件</source>
        <translation>Previous event</translation>
    </message>
    <message>
        <source>下一个事件</source>
        <translation>Next event</translation>
    </message>
    <message>
        <source>GPS 轨迹已读取</source>
        <translation>The GPS track is read</translation>
    </message>
    <message>
        <source>此文件没有 GPS 轨迹</source>
        <translation>This file holds no GPS track</translation>
    </message>
    <message>
        <source>正在读取 GPS 轨迹</source>
        <translation>Reading the GPS track</translation>
    </message>
    <message>
        <source>导出片段…</source>
        <translation>Export clip…</translation>
    </message>
    <message>
        <source>每个通道原样保存（无损）</source>
        <translation>Each channel as it is (lossless)</translation>
    </message>
    <message>
        <source>合成视频（含速度、位置）</source>
        <translation>One composed video (with speed and position)</translation>
    </message>
    <message>
        <source>片段的 GPX 轨迹</source>
        <translation>GPX track of the range</translation>
    </message>
    <message>
        <source>无损剪切从入点处或之前最近的关键帧开始。</source>
        <translation>A lossless cut starts at the last key frame at or before the in-point.</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>范围</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>保存到</source>
        <translation>Save to</translation>
    </message>
    <message>
        <source>时间格式：秒数或 [时:]分:秒[.毫秒]</source>
        <translation>Time: seconds or [h:]mm:ss[.fff]</translation>
    </message>
    <message>
        <source>结束时间须晚于开始时间。</source>
        <translation>The end must be after the start.</translation>
    </message>
    <message>
        <source>请至少选择一项内容。</source>
        <translation>Choose at least one item.</translation>
    </message>
    <message>
        <source>无法写入文件夹：%1</source>
        <translation>Cannot write to the folder: %1</translation>
    </message>
    <message>
        <source>正在导出…</source>
        <translation>Exporting…</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>Exported to %1</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>已取消，未写入任何文件。</source>
        <translation>Cancelled; nothing was written.</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>正在取消…</source>
        <translation>Cancelling…</translation>
    </message>
    <message>
        <source>最高 %1 %2</source>
        <translation>max %1 %2</translation>
    </message>
    <message>
        <source>导出行程轨迹…</source>
        <translation>Export drive track…</translation>
    </message>
    <message>
        <source>导出行程视频…</source>
        <translation>Export drive video…</translation>
    </message>
    <message>
        <source>原速</source>
        <translation>Real time</translation>
    </message>
    <message>
        <source>%1× 延时</source>
        <translation>%1× time-lapse</translation>
    </message>
    <message>
        <source>合成视频速度</source>
        <translation>Composed video speed</translation>
    </message>
    <message>
        <source>约 %1，耗时约 %2</source>
        <translation>About %1, taking about %2</translation>
    </message>
    <message>
        <source>合成视频长 %1</source>
        <translation>Composed video %1 long</translation>
    </message>
    <message>
        <source>添加文件夹…</source>
        <translation>Add folder…</translation>
    </message>
    <message>
        <source>视频和 GPS 轨迹 (%1)</source>
        <translation>Videos and GPS tracks (%1)</translation>
    </message>
    <message>
        <source>视频 (%1)</source>
        <translation>Videos (%1)</translation>
    </message>
    <message>
        <source>GPS 轨迹 (%1)</source>
        <translation>GPS tracks (%1)</translation>
    </message>
    <message>
        <source>此文件夹中没有可播放的录像：%1</source>
        <translation>There is no recording to play in this folder: %1</translation>
    </message>
    <message>
        <source>添加 GPS 轨迹…</source>
        <translation>Add GPS track…</translation>
    </message>
    <message>
        <source>没有已加载的 GPS 轨迹覆盖此录像</source>
        <translation>No loaded GPS track covers this recording</translation>
    </message>
    <message>
        <source>GPS 轨迹 %1 覆盖此录像的 %2 / %3 秒</source>
        <translation>GPS track %1 covers %2 / %3 s of this recording</translation>
    </message>
    <message>
        <source>没有缺少 GPS 轨迹的录像</source>
        <translation>No listed recording lacks a GPS track</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹不覆盖任何录像</source>
        <translation>The loaded GPS track covers no recording</translation>
    </message>
    <message>
        <source>校正时钟…</source>
        <translation>Set the clock…</translation>
    </message>
    <message>
        <source>校正时钟</source>
        <translation>Set the clock</translation>
    </message>
    <message>
        <source>此录像</source>
        <translation>This recording</translation>
    </message>
    <message>
        <source>整个行程</source>
        <translation>The whole drive</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹…</source>
        <translation>Loaded GPS tracks…</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹</source>
        <translation>Loaded GPS tracks</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>End</translation>
    </message>
    <message>
        <source>点数</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>GPS 轨迹来源</source>
        <translation>GPS track from</translation>
    </message>
    <message>
        <source>自动（录像、旁边的文件或已加载的轨迹）</source>
        <translation>Automatic (the video, a file beside it or a loaded track)</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>录像自带的轨迹</source>
        <translation>The video's own track</translation>
    </message>
    <message>
        <source>旁边的文件 %1</source>
        <translation>The file beside it: %1</translation>
    </message>
    <message>
        <source>无法读取 %1</source>
        <translation>Cannot read %1</translation>
    </message>
    <message>
        <source>%1 太大，不能作为轨迹读取</source>
        <translation>%1 is too large to read as a track</translation>
    </message>
    <message>
        <source>%1 不是格式正确的 XML 文件</source>
        <translation>%1 is not a well-formed XML file</translation>
    </message>
    <message>
        <source>%1 既不是 GPX 也不是 KML</source>
        <translation>%1 is neither GPX nor KML</translation>
    </message>
    <message>
        <source>%1 有不带时间的点</source>
        <translation>%1 has points without a time</translation>
    </message>
    <message>
        <source>%1 不含任何位置</source>
        <translation>%1 holds no position</translation>
    </message>
    <message>
        <source>添加文件夹到档案</source>
        <translation>Add folder to archive</translation>
    </message>
    <message>
        <source>添加文件夹到档案…</source>
        <translation>Add folder to archive…</translation>
    </message>
    <message>
        <source>在地图上显示整个档案</source>
        <translation>Show the whole archive on the map</translation>
    </message>
    <message>
        <source>使用当前标记</source>
        <translation>Use the current marker</translation>
    </message>
    <message>
        <source>半径</source>
        <translation>Radius</translation>
    </message>
    <message>
        <source>在地图上点击一个地点</source>
        <translation>Click a place on the map</translation>
    </message>
    <message>
        <source>按日期</source>
        <translation>By day</translation>
    </message>
    <message>
        <source>按地点</source>
        <translation>By place</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>距离</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>最高速度</source>
        <translation>Top speed</translation>
    </message>
    <message>
        <source>事件</source>
        <translation>Events</translation>
    </message>
    <message>
        <source>日期和时间</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message numerus="yes">
        <source>档案中有 %n 段录像</source>
        <translation>
            <numerusform>%n recording in the archive</numerusform>
            <numerusform>%n recordings in the archive</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1，%n 段录像</source>
        <translation>
            <numerusform>%1, %n recording</numerusform>
            <numerusform>%1, %n recordings</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %2 附近 %n 次经过</source>
        <translation>
            <numerusform>%n pass near %1, %2</numerusform>
            <numerusform>%n passes near %1, %2</numerusform>
        </translation>
    </message>
    <message>
        <source>不在线：%1</source>
        <translation>Offline: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n 个事件</source>
        <translation>
            <numerusform>%n event</numerusform>
            <numerusform>%n events</numerusform>
        </translation>
    </message>
    <message>
        <source>无事件</source>
        <translation>no events</translation>
    </message>
    <message>
        <source>正在添加 %1 …</source>
        <translation>Adding %1 …</translation>
    </message>
    <message>
        <source>当前位置未知：请先播放一段有 GPS 轨迹的录像</source>
        <translation>The current position is not known: play a recording with a GPS track first</translation>
    </message>
    <message>
        <source>录像不在线</source>
        <translation>Recording offline</translation>
    </message>
    <message>
        <source>这段录像不在原处（存储卡或磁盘未连接？）：
%1

要找到它现在所在的文件夹吗？</source>
        <translation>This recording is not where it was (a card or disk not attached?):
%1

Locate the folder it is in now?</translation>
    </message>
    <message>
        <source>录像所在的文件夹</source>
        <translation>The recording's folder</translation>
    </message>
    <message>
        <source>文件列表</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>档案</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>车辆保存的片段</source>
        <translation>Clip saved by the car</translation>
    </message>
    <message>
        <source>驾驶员保存</source>
        <translation>Saved by the driver</translation>
    </message>
    <message>
        <source>鸣笛保存</source>
        <translation>Saved by the horn</translation>
    </message>
    <message>
        <source>哨兵：检测到物体</source>
        <translation>Sentry: object detected</translation>
    </message>
    <message>
        <source>哨兵：车辆被碰</source>
        <translation>Sentry: the car was bumped</translation>
    </message>
    <message>
        <source>哨兵：车辆被撞</source>
        <translation>Sentry: the car was hit</translation>
    </message>
    <message>
        <source>哨兵：有人拉车门</source>
        <translation>Sentry: a door handle was pulled</translation>
    </message>
    <message>
        <source>紧急制动</source>
        <translation>Emergency braking</translation>
    </message>
    <message>
        <source>离线地图</source>
        <translation>Offline map</translation>
    </message>
    <message>
        <source>MBTiles 文件 (*.mbtiles);;所有文件 (*)</source>
        <translation>MBTiles files (*.mbtiles);;All files (*)</translation>
    </message>
    <message>
        <source>离线地图：</source>
        <translation>Offline map:</translation>
    </message>
    <message>
        <source>选择离线地图显示其街道的 MBTiles 文件</source>
        <translation>Choose an MBTiles file whose streets the offline map shows</translation>
    </message>
    <message>
        <source>不使用离线地图文件</source>
        <translation>No offline map file</translation>
    </message>
    <message>
        <source>文件已损坏或不是 SQLite 数据库。</source>
        <translation>The file is damaged or not an SQLite database.</translation>
    </message>
    <message>
        <source>文件中没有地图瓦片（没有 "tiles" 表）。</source>
        <translation>The file holds no map tiles (no "tiles" table).</translation>
    </message>
    <message>
        <source>文件的瓦片表为空。</source>
        <translation>The file's tile table is empty.</translation>
    </message>
    <message>
        <source>文件的瓦片不是 PNG、JPEG 或 WebP 图片。</source>
        <translation>The file's tiles are not PNG, JPEG or WebP pictures.</translation>
    </message>
    <message>
        <source>无法读取文件的缩放级别。</source>
        <translation>The file's zoom levels cannot be read.</translation>
    </message>
    <message>
        <source>文件不存在。</source>
        <translation>The file does not exist.</translation>
    </message>
    <message>
        <source>文件不是 MBTiles 文件（不是 SQLite 数据库）。</source>
        <translation>The file is not an MBTiles file (not an SQLite database).</translation>
    </message>
    <message>
        <source>无法打开文件。</source>
        <translation>The file cannot be opened.</translation>
    </message>
</context>
</TS>
