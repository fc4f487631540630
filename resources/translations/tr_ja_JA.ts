<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="zh_CN">
<context>
    <name>Q-MARL</name>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;静音&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;ミュート&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>English</source>
        <translation>英語</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>OpenStreetMap</source>
        <translation>OpenStreetMap</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>ロシア語</translation>
    </message>
    <message>
        <source>上一个</source>
        <translation>前へ</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>次へ</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>保持画面比例</source>
        <translation>全画面</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>全屏</source>
        <translation>全画面</translation>
    </message>
    <message>
        <source>全屏播放</source>
        <translation>全画面</translation>
    </message>
    <message>
        <source>分辨率</source>
        <translation>解像度</translation>
    </message>
    <message>
        <source>地图选择：</source>
        <translation>地図選択：</translation>
    </message>
    <message>
        <source>当前纬度</source>
        <translation>緯度</translation>
    </message>
    <message>
        <source>当前经度</source>
        <translation>経度</translation>
    </message>
    <message>
        <source>录像时长</source>
        <translation>録画時間</translation>
    </message>
    <message>
        <source>快放</source>
        <translation>2倍速</translation>
    </message>
    <message>
        <source>快放(较快)</source>
        <translation>4倍速</translation>
    </message>
    <message>
        <source>快放(非常快)</source>
        <translation>8倍速</translation>
    </message>
    <message>
        <source>慢放</source>
        <translation>1/2倍速</translation>
    </message>
    <message>
        <source>慢放(较慢)</source>
        <translation>1/4倍速</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>ファイルを開く</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open Dir</translation>
    </message>
    <message>
        <source>抓拍图片</source>
        <translation>撮影</translation>
    </message>
    <message>
        <source>抓拍路径</source>
        <translation>キャプチャ保存先</translation>
    </message>
    <message>
        <source>抓拍路径：</source>
        <translation>キャプチャ保存先：</translation>
    </message>
    <message>
        <source>拍照</source>
        <translation>撮影</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>ヒント</translation>
    </message>
    <message>
        <source>播放/暂停</source>
        <translation>再生/停止</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>文件大小</source>
        <translation>ファイルサイズ</translation>
    </message>
    <message>
        <source>无法播放此文件</source>
        <translation>このファイルは再生できません</translation>
    </message>
    <message>
        <source>普通速度</source>
        <translation>標準速</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>最大速度</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>...</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>ファイルを開く</translation>
    </message>
    <message>
        <source>百度地图</source>
        <translation>Baiduマップ</translation>
    </message>
    <message>
        <source>确定要清空文件列表？</source>
        <translation>确定要清空文件列表？</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>簡体中国語</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>システム設定</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>从不</source>
        <translation>表示しない</translation>
    </message>
    <message>
        <source>语言设置：</source>
        <translation>言語選択：</translation>
    </message>
    <message>
        <source>谷歌地图</source>
        <translation>Googleマップ</translation>
    </message>
    <message>
        <source>速度单位：</source>
        <translation>速度単位：</translation>
    </message>
    <message>
        <source>重力感应：</source>
        <translation>Gセンサー：</translation>
    </message>
    <message>
        <source>铺满屏幕</source>
        <translation>全画面表示</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>ミュート</translation>
    </message>
    <message>
        <source>导出轨迹…</source>
        <translation>軌跡をエクスポート…</translation>
    </message>
    <message>
        <source>本机没有可用的视频输出，无法显示画面。</source>
        <translation>このコンピューターでは使える映像出力がないため、映像を表示できません。</translation>
    </message>
    <message>
        <source>颠簸 %1 g, %2</source>
        <translation>衝撃 %1 g, %2</translation>
    </message>
    <message>
        <source>急刹车</source>
        <translation>急ブレーキ</translation>
    </message>
    <message>
        <source>急加速</source>
        <translation>急加速</translation>
    </message>
    <message>
        <source>上一个事件</source>
        <translation>前のイベント</translation>
    </message>
    <message>
        <source>下一个事件</source>
        <translation>次のイベント</translation>
    </message>
    <message>
        <source>GPS 轨迹已读取</source>
        <translation>GPS軌跡を読み込みました</translation>
    </message>
    <message>
        <source>此文件没有 GPS 轨迹</source>
        <translation>このファイルにはGPS軌跡がありません</translation>
    </message>
    <message>
        <source>正在读取 GPS 轨迹</source>
        <translation>GPS軌跡を読み込み中</translation>
    </message>
    <message>
        <source>导出片段…</source>
        <translation>クリップをエクスポート…</translation>
    </message>
    <message>
        <source>每个通道原样保存（无损）</source>
        <translation>各チャンネルをそのまま（無劣化）</translation>
    </message>
    <message>
        <source>合成视频（含速度、位置）</source>
        <translation>合成動画（速度・位置付き）</translation>
    </message>
    <message>
        <source>片段的 GPX 轨迹</source>
        <translation>範囲の GPX 軌跡</translation>
    </message>
    <message>
        <source>无损剪切从入点处或之前最近的关键帧开始。</source>
        <translation>無劣化カットはイン点またはその直前のキーフレームから始まります。</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>エクスポート</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>范围</source>
        <translation>範囲</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>内容</translation>
    </message>
    <message>
        <source>保存到</source>
        <translation>保存先</translation>
    </message>
    <message>
        <source>时间格式：秒数或 [时:]分:秒[.毫秒]</source>
        <translation>時刻は秒数または [時:]分:秒[.ミリ秒]</translation>
    </message>
    <message>
        <source>结束时间须晚于开始时间。</source>
        <translation>終了は開始より後にしてください。</translation>
    </message>
    <message>
        <source>请至少选择一项内容。</source>
        <translation>少なくとも一つ選んでください。</translation>
    </message>
    <message>
        <source>无法写入文件夹：%1</source>
        <translation>フォルダーに書き込めません：%1</translation>
    </message>
    <message>
        <source>正在导出…</source>
        <translation>エクスポート中…</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>%1 にエクスポートしました</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>已取消，未写入任何文件。</source>
        <translation>キャンセルしました。何も書き込まれていません。</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>エクスポートに失敗しました：%1</translation>
    </message>
    <message>
        <source>正在取消…</source>
        <translation>キャンセル中…</translation>
    </message>
    <message>
        <source>最高 %1 %2</source>
        <translation>最高 %1 %2</translation>
    </message>
    <message>
        <source>导出行程轨迹…</source>
        <translation>ドライブの軌跡をエクスポート…</translation>
    </message>
    <message>
        <source>导出行程视频…</source>
        <translation>ドライブの動画を書き出す…</translation>
    </message>
    <message>
        <source>原速</source>
        <translation>等速</translation>
    </message>
    <message>
        <source>%1× 延时</source>
        <translation>%1 倍速タイムラプス</translation>
    </message>
    <message>
        <source>合成视频速度</source>
        <translation>合成動画の速度</translation>
    </message>
    <message>
        <source>约 %1，耗时约 %2</source>
        <translation>約 %1、所要時間 約 %2</translation>
    </message>
    <message>
        <source>合成视频长 %1</source>
        <translation>合成動画の長さ %1</translation>
    </message>
    <message>
        <source>添加文件夹…</source>
        <translation>フォルダーを追加…</translation>
    </message>
    <message>
        <source>视频和 GPS 轨迹 (%1)</source>
        <translation>動画と GPS トラック (%1)</translation>
    </message>
    <message>
        <source>视频 (%1)</source>
        <translation>動画 (%1)</translation>
    </message>
    <message>
        <source>GPS 轨迹 (%1)</source>
        <translation>GPS トラック (%1)</translation>
    </message>
    <message>
        <source>此文件夹中没有可播放的录像：%1</source>
        <translation>このフォルダーには再生できる録画がありません：%1</translation>
    </message>
    <message>
        <source>添加 GPS 轨迹…</source>
        <translation>GPS トラックを追加…</translation>
    </message>
    <message>
        <source>没有已加载的 GPS 轨迹覆盖此录像</source>
        <translation>読み込んだ GPS トラックはこの録画を含みません</translation>
    </message>
    <message>
        <source>GPS 轨迹 %1 覆盖此录像的 %2 / %3 秒</source>
        <translation>GPS トラック %1 はこの録画の %2 / %3 秒を含みます</translation>
    </message>
    <message>
        <source>没有缺少 GPS 轨迹的录像</source>
        <translation>GPS トラックのない録画はありません</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹不覆盖任何录像</source>
        <translation>読み込んだ GPS トラックはどの録画も含みません</translation>
    </message>
    <message>
        <source>校正时钟…</source>
        <translation>時計を合わせる…</translation>
    </message>
    <message>
        <source>校正时钟</source>
        <translation>時計を合わせる</translation>
    </message>
    <message>
        <source>此录像</source>
        <translation>この録画</translation>
    </message>
    <message>
        <source>整个行程</source>
        <translation>ドライブ全体</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>リセット</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹…</source>
        <translation>読み込んだ GPS トラック…</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹</source>
        <translation>読み込んだ GPS トラック</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>点数</source>
        <translation>ポイント数</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>GPS 轨迹来源</source>
        <translation>GPS トラックの元</translation>
    </message>
    <message>
        <source>自动（录像、旁边的文件或已加载的轨迹）</source>
        <translation>自動（録画、横のファイル、読み込んだトラック）</translation>
    </message>
    <message>
        <source>无</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>录像自带的轨迹</source>
        <translation>録画自体のトラック</translation>
    </message>
    <message>
        <source>旁边的文件 %1</source>
        <translation>横のファイル: %1</translation>
    </message>
    <message>
        <source>无法读取 %1</source>
        <translation>%1 を読み込めません</translation>
    </message>
    <message>
        <source>%1 太大，不能作为轨迹读取</source>
        <translation>%1 は大きすぎてトラックとして読み込めません</translation>
    </message>
    <message>
        <source>%1 不是格式正确的 XML 文件</source>
        <translation>%1 は正しい形式の XML ファイルではありません</translation>
    </message>
    <message>
        <source>%1 既不是 GPX 也不是 KML</source>
        <translation>%1 は GPX でも KML でもありません</translation>
    </message>
    <message>
        <source>%1 有不带时间的点</source>
        <translation>%1 には時刻のない点があります</translation>
    </message>
    <message>
        <source>%1 不含任何位置</source>
        <translation>%1 には位置がありません</translation>
    </message>
    <message>
        <source>添加文件夹到档案</source>
        <translation>フォルダーをアーカイブに追加</translation>
    </message>
    <message>
        <source>添加文件夹到档案…</source>
        <translation>フォルダーをアーカイブに追加…</translation>
    </message>
    <message>
        <source>在地图上显示整个档案</source>
        <translation>アーカイブ全体を地図に表示</translation>
    </message>
    <message>
        <source>使用当前标记</source>
        <translation>現在のマーカーを使う</translation>
    </message>
    <message>
        <source>半径</source>
        <translation>半径</translation>
    </message>
    <message>
        <source>在地图上点击一个地点</source>
        <translation>地図上の場所をクリックしてください</translation>
    </message>
    <message>
        <source>按日期</source>
        <translation>日付で</translation>
    </message>
    <message>
        <source>按地点</source>
        <translation>場所で</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>距离</source>
        <translation>距離</translation>
    </message>
    <message>
        <source>最高速度</source>
        <translation>最高速度</translation>
    </message>
    <message>
        <source>事件</source>
        <translation>イベント</translation>
    </message>
    <message>
        <source>日期和时间</source>
        <translation>日時</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>速度</translation>
    </message>
    <message numerus="yes">
        <source>档案中有 %n 段录像</source>
        <translation>
            <numerusform>アーカイブに %n 件の録画</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1，%n 段录像</source>
        <translation>
            <numerusform>%1、%n 件の録画</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %2 附近 %n 次经过</source>
        <translation>
            <numerusform>%1, %2 付近の通過 %n 回</numerusform>
        </translation>
    </message>
    <message>
        <source>不在线：%1</source>
        <translation>オフライン：%1</translation>
    </message>
    <message numerus="yes">
        <source>%n 个事件</source>
        <translation>
            <numerusform>イベント %n 件</numerusform>
        </translation>
    </message>
    <message>
        <source>无事件</source>
        <translation>イベントなし</translation>
    </message>
    <message>
        <source>正在添加 %1 …</source>
        <translation>%1 を追加中…</translation>
    </message>
    <message>
        <source>当前位置未知：请先播放一段有 GPS 轨迹的录像</source>
        <translation>現在位置が不明です。先に GPS 軌跡のある録画を再生してください</translation>
    </message>
    <message>
        <source>录像不在线</source>
        <translation>録画がオフラインです</translation>
    </message>
    <message>
        <source>这段录像不在原处（存储卡或磁盘未连接？）：
%1

要找到它现在所在的文件夹吗？</source>
        <translation>この録画は元の場所にありません（カードやディスクが未接続？）：
%1

現在のフォルダーを指定しますか？</translation>
    </message>
    <message>
        <source>录像所在的文件夹</source>
        <translation>録画のあるフォルダー</translation>
    </message>
    <message>
        <source>文件列表</source>
        <translation>ファイル一覧</translation>
    </message>
    <message>
        <source>档案</source>
        <translation>アーカイブ</translation>
    </message>
    <message>
        <source>车辆保存的片段</source>
        <translation>車が保存したクリップ</translation>
    </message>
    <message>
        <source>驾驶员保存</source>
        <translation>ドライバーが保存</translation>
    </message>
    <message>
        <source>鸣笛保存</source>
        <translation>クラクションで保存</translation>
    </message>
    <message>
        <source>哨兵：检测到物体</source>
        <translation>セントリー：物体を検知</translation>
    </message>
    <message>
        <source>哨兵：车辆被碰</source>
        <translation>セントリー：車に接触</translation>
    </message>
    <message>
        <source>哨兵：车辆被撞</source>
        <translation>セントリー：車に衝撃</translation>
    </message>
    <message>
        <source>哨兵：有人拉车门</source>
        <translation>セントリー：ドアハンドル操作</translation>
    </message>
    <message>
        <source>紧急制动</source>
        <translation>緊急ブレーキ</translation>
    </message>
    <message>
        <source>离线地图</source>
        <translation>オフライン地図</translation>
    </message>
    <message>
        <source>MBTiles 文件 (*.mbtiles);;所有文件 (*)</source>
        <translation>MBTiles ファイル (*.mbtiles);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>离线地图：</source>
        <translation>オフライン地図:</translation>
    </message>
    <message>
        <source>选择离线地图显示其街道的 MBTiles 文件</source>
        <translation>オフライン地図に街路を表示する MBTiles ファイルを選択</translation>
    </message>
    <message>
        <source>不使用离线地图文件</source>
        <translation>オフライン地図ファイルなし</translation>
    </message>
    <message>
        <source>文件已损坏或不是 SQLite 数据库。</source>
        <translation>ファイルが壊れているか、SQLite データベースではありません。</translation>
    </message>
    <message>
        <source>文件中没有地图瓦片（没有 "tiles" 表）。</source>
        <translation>ファイルに地図タイルがありません（"tiles" テーブルなし）。</translation>
    </message>
    <message>
        <source>文件的瓦片表为空。</source>
        <translation>ファイルのタイル テーブルが空です。</translation>
    </message>
    <message>
        <source>文件的瓦片不是 PNG、JPEG 或 WebP 图片。</source>
        <translation>ファイルのタイルは PNG、JPEG、WebP の画像ではありません。</translation>
    </message>
    <message>
        <source>无法读取文件的缩放级别。</source>
        <translation>ファイルのズーム レベルを読み取れません。</translation>
    </message>
    <message>
        <source>文件不存在。</source>
        <translation>ファイルが存在しません。</translation>
    </message>
    <message>
        <source>文件不是 MBTiles 文件（不是 SQLite 数据库）。</source>
        <translation>ファイルは MBTiles ファイルではありません（SQLite データベースではありません）。</translation>
    </message>
    <message>
        <source>无法打开文件。</source>
        <translation>ファイルを開けません。</translation>
    </message>
</context>
</TS>
