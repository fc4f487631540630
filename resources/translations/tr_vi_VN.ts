<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="vi_VN" sourcelanguage="zh_CN">
<context>
    <name>Q-MARL</name>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;静音&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Tắt tiếng&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Hủy bỏ</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Tiếng Anh</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>tiếng Nhật</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>đồng ý</translation>
    </message>
    <message>
        <source>OpenStreetMap</source>
        <translation>Bản đồ mở</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>tiếng Nga</translation>
    </message>
    <message>
        <source>上一个</source>
        <translation>Trước đó</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>Kế tiếp</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>Tiết kiệm</translation>
    </message>
    <message>
        <source>保持画面比例</source>
        <translation>Giữ kích thước ban đầu</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Dừng lại</translation>
    </message>
    <message>
        <source>全屏</source>
        <translation>Vào toàn màn hình</translation>
    </message>
    <message>
        <source>全屏播放</source>
        <translation>Vào toàn màn hình</translation>
    </message>
    <message>
        <source>分辨率</source>
        <translation>ĐPG video</translation>
    </message>
    <message>
        <source>地图选择：</source>
        <translation>Bản đồ:</translation>
    </message>
    <message>
        <source>当前纬度</source>
        <translation>Vĩ độ</translation>
    </message>
    <message>
        <source>当前经度</source>
        <translation>Kinh độ</translation>
    </message>
    <message>
        <source>录像时长</source>
        <translation>TL video</translation>
    </message>
    <message>
        <source>快放</source>
        <translation>Nhanh</translation>
    </message>
    <message>
        <source>快放(较快)</source>
        <translation>Nhanh hơn</translation>
    </message>
    <message>
        <source>快放(非常快)</source>
        <translation>Nhanh nhất</translation>
    </message>
    <message>
        <source>慢放</source>
        <translation>Chậm</translation>
    </message>
    <message>
        <source>慢放(较慢)</source>
        <translation>Chậm hơn</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Mở tệp</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Mở Dir</translation>
    </message>
    <message>
        <source>抓拍图片</source>
        <translation>Ảnh chụp nhanh</translation>
    </message>
    <message>
        <source>抓拍路径</source>
        <translation>Chụp trực tiếp</translation>
    </message>
    <message>
        <source>抓拍路径：</source>
        <translation>Chụp Dir Dir:</translation>
    </message>
    <message>
        <source>拍照</source>
        <translation>Ảnh chụp nhanh</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>tiền boa</translation>
    </message>
    <message>
        <source>播放/暂停</source>
        <translation>Tạm dừng chơi</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Phóng to</translation>
    </message>
    <message>
        <source>文件大小</source>
        <translation>KT video</translation>
    </message>
    <message>
        <source>无法播放此文件</source>
        <translation>Không thể phát tệp này</translation>
    </message>
    <message>
        <source>普通速度</source>
        <translation>Bình thường</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>TĐ tối đa</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Duyệt</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Mở tệp</translation>
    </message>
    <message>
        <source>百度地图</source>
        <translation>Bản đồ Yahoo</translation>
    </message>
    <message>
        <source>确定要清空文件列表？</source>
        <translation>Bạn có chắc chắn muốn xóa danh sách tập tin?</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>Tiếng Trung giản thể</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>Thiết lập hệ thống</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Thu nhỏ</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Tự động</translation>
    </message>
    <message>
        <source>从不</source>
        <translation>Không bao giờ</translation>
    </message>
    <message>
        <source>语言设置：</source>
        <translation>Ngôn ngữ:</translation>
    </message>
    <message>
        <source>谷歌地图</source>
        <translation>Bản đồ Google</translation>
    </message>
    <message>
        <source>速度单位：</source>
        <translation>Đơn vị tốc độ:</translation>
    </message>
    <message>
        <source>重力感应：</source>
        <translation>Cảm biến G:</translation>
    </message>
    <message>
        <source>铺满屏幕</source>
        <translation>Bỏ qua kích thước ban đầu</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Tắt tiếng</translation>
    </message>
    <message>
        <source>导出轨迹…</source>
        <translation>Xuất hành trình…</translation>
    </message>
    <message>
        <source>本机没有可用的视频输出，无法显示画面。</source>
        <translation>Máy này không có đầu ra video nào hoạt động: không thể hiển thị hình ảnh.</translation>
    </message>
    <message>
        <source>颠簸 %1 g, %2</source>
        <translation>Xóc mạnh %1 g, %2</translation>
    </message>
    <message>
        <source>急刹车</source>
        <translation>Phanh gấp</translation>
    </message>
    <message>
        <source>急加速</source>
        <translation>Tăng tốc gấp</translation>
    </message>
    <message>
        <source>上一个事件</source>
        <translation>Sự kiện trước</translation>
    </message>
    <message>
        <source>下一个事件</source>
        <translation>Sự kiện tiếp theo</translation>
    </message>
    <message>
        <source>GPS 轨迹已读取</source>
        <translation>Đã đọc lộ trình GPS</translation>
    </message>
    <message>
        <source>此文件没有 GPS 轨迹</source>
        <translation>Tệp này không có lộ trình GPS</translation>
    </message>
    <message>
        <source>正在读取 GPS 轨迹</source>
        <translation>Đang đọc lộ trình GPS</translation>
    </message>
    <message>
        <source>导出片段…</source>
        <translation>Xuất đoạn video…</translation>
    </message>
    <message>
        <source>每个通道原样保存（无损）</source>
        <translation>Từng kênh nguyên bản (không mất dữ liệu)</translation>
    </message>
    <message>
        <source>合成视频（含速度、位置）</source>
        <translation>Video ghép (kèm tốc độ, vị trí)</translation>
    </message>
    <message>
        <source>片段的 GPX 轨迹</source>
        <translation>Hành trình GPX của đoạn</translation>
    </message>
    <message>
        <source>无损剪切从入点处或之前最近的关键帧开始。</source>
        <translation>Cắt không mất dữ liệu bắt đầu từ khung hình chính gần nhất tại hoặc trước điểm đầu.</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Xuất</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Hủy</translation>
    </message>
    <message>
        <source>范围</source>
        <translation>Khoảng</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Nội dung</translation>
    </message>
    <message>
        <source>保存到</source>
        <translation>Lưu vào</translation>
    </message>
    <message>
        <source>时间格式：秒数或 [时:]分:秒[.毫秒]</source>
        <translation>Thời gian: số giây hoặc [giờ:]phút:giây[.ms]</translation>
    </message>
    <message>
        <source>结束时间须晚于开始时间。</source>
        <translation>Thời điểm kết thúc phải sau thời điểm bắt đầu.</translation>
    </message>
    <message>
        <source>请至少选择一项内容。</source>
        <translation>Hãy chọn ít nhất một mục.</translation>
    </message>
    <message>
        <source>无法写入文件夹：%1</source>
        <translation>Không thể ghi vào thư mục: %1</translation>
    </message>
    <message>
        <source>正在导出…</source>
        <translation>Đang xuất…</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>Đã xuất vào %1</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Đóng</translation>
    </message>
    <message>
        <source>已取消，未写入任何文件。</source>
        <translation>Đã hủy, không ghi tệp nào.</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Xuất thất bại: %1</translation>
    </message>
    <message>
        <source>正在取消…</source>
        <translation>Đang hủy…</translation>
    </message>
    <message>
        <source>最高 %1 %2</source>
        <translation>tối đa %1 %2</translation>
    </message>
    <message>
        <source>导出行程轨迹…</source>
        <translation>Xuất lộ trình chuyến đi…</translation>
    </message>
    <message>
        <source>导出行程视频…</source>
        <translation>Xuất video chuyến đi…</translation>
    </message>
    <message>
        <source>原速</source>
        <translation>Tốc độ thực</translation>
    </message>
    <message>
        <source>%1× 延时</source>
        <translation>Tua nhanh %1×</translation>
    </message>
    <message>
        <source>合成视频速度</source>
        <translation>Tốc độ video ghép</translation>
    </message>
    <message>
        <source>约 %1，耗时约 %2</source>
        <translation>Khoảng %1, mất khoảng %2</translation>
    </message>
    <message>
        <source>合成视频长 %1</source>
        <translation>Video ghép dài %1</translation>
    </message>
    <message>
        <source>添加文件夹…</source>
        <translation>Thêm thư mục…</translation>
    </message>
    <message>
        <source>视频和 GPS 轨迹 (%1)</source>
        <translation>Video và tuyến GPS (%1)</translation>
    </message>
    <message>
        <source>视频 (%1)</source>
        <translation>Video (%1)</translation>
    </message>
    <message>
        <source>GPS 轨迹 (%1)</source>
        <translation>Tuyến GPS (%1)</translation>
    </message>
    <message>
        <source>此文件夹中没有可播放的录像：%1</source>
        <translation>Thư mục này không có bản ghi nào để phát: %1</translation>
    </message>
    <message>
        <source>添加 GPS 轨迹…</source>
        <translation>Thêm tuyến GPS…</translation>
    </message>
    <message>
        <source>没有已加载的 GPS 轨迹覆盖此录像</source>
        <translation>Không tuyến GPS nào đã tải bao phủ bản ghi này</translation>
    </message>
    <message>
        <source>GPS 轨迹 %1 覆盖此录像的 %2 / %3 秒</source>
        <translation>Tuyến GPS %1 bao phủ %2 / %3 giây của bản ghi này</translation>
    </message>
    <message>
        <source>没有缺少 GPS 轨迹的录像</source>
        <translation>Không có bản ghi nào thiếu tuyến GPS</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹不覆盖任何录像</source>
        <translation>Tuyến GPS đã tải không bao phủ bản ghi nào</translation>
    </message>
    <message>
        <source>校正时钟…</source>
        <translation>Chỉnh đồng hồ…</translation>
    </message>
    <message>
        <source>校正时钟</source>
        <translation>Chỉnh đồng hồ</translation>
    </message>
    <message>
        <source>此录像</source>
        <translation>Bản ghi này</translation>
    </message>
    <message>
        <source>整个行程</source>
        <translation>Cả chuyến đi</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Đặt lại</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹…</source>
        <translation>Các tuyến GPS đã tải…</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹</source>
        <translation>Các tuyến GPS đã tải</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>Tệp</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Bắt đầu</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>Kết thúc</translation>
    </message>
    <message>
        <source>点数</source>
        <translation>Số điểm</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Gỡ bỏ</translation>
    </message>
    <message>
        <source>GPS 轨迹来源</source>
        <translation>Nguồn tuyến GPS</translation>
    </message>
    <message>
        <source>自动（录像、旁边的文件或已加载的轨迹）</source>
        <translation>Tự động (video, tệp bên cạnh hoặc tuyến đã tải)</translation>
    </message>
    <message>
        <source>无</source>
        <translation>Không</translation>
    </message>
    <message>
        <source>录像自带的轨迹</source>
        <translation>Tuyến của chính video</translation>
    </message>
    <message>
        <source>旁边的文件 %1</source>
        <translation>Tệp bên cạnh: %1</translation>
    </message>
    <message>
        <source>无法读取 %1</source>
        <translation>Không đọc được %1</translation>
    </message>
    <message>
        <source>%1 太大，不能作为轨迹读取</source>
        <translation>%1 quá lớn để đọc làm tuyến đường</translation>
    </message>
    <message>
        <source>%1 不是格式正确的 XML 文件</source>
        <translation>%1 không phải tệp XML hợp lệ</translation>
    </message>
    <message>
        <source>%1 既不是 GPX 也不是 KML</source>
        <translation>%1 không phải GPX cũng không phải KML</translation>
    </message>
    <message>
        <source>%1 有不带时间的点</source>
        <translation>%1 có các điểm không có thời gian</translation>
    </message>
    <message>
        <source>%1 不含任何位置</source>
        <translation>%1 không chứa vị trí nào</translation>
    </message>
    <message>
        <source>添加文件夹到档案</source>
        <translation>Thêm thư mục vào kho lưu trữ</translation>
    </message>
    <message>
        <source>添加文件夹到档案…</source>
        <translation>Thêm thư mục vào kho lưu trữ…</translation>
    </message>
    <message>
        <source>在地图上显示整个档案</source>
        <translation>Hiện toàn bộ kho lưu trữ trên bản đồ</translation>
    </message>
    <message>
        <source>使用当前标记</source>
        <translation>Dùng điểm đánh dấu hiện tại</translation>
    </message>
    <message>
        <source>半径</source>
        <translation>Bán kính</translation>
    </message>
    <message>
        <source>在地图上点击一个地点</source>
        <translation>Nhấp vào một địa điểm trên bản đồ</translation>
    </message>
    <message>
        <source>按日期</source>
        <translation>Theo ngày</translation>
    </message>
    <message>
        <source>按地点</source>
        <translation>Theo địa điểm</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Thời gian</translation>
    </message>
    <message>
        <source>距离</source>
        <translation>Quãng đường</translation>
    </message>
    <message>
        <source>最高速度</source>
        <translation>Tốc độ cao nhất</translation>
    </message>
    <message>
        <source>事件</source>
        <translation>Sự kiện</translation>
    </message>
    <message>
        <source>日期和时间</source>
        <translation>Ngày và giờ</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Tốc độ</translation>
    </message>
    <message numerus="yes">
        <source>档案中有 %n 段录像</source>
        <translation>
            <numerusform>%n bản ghi trong kho lưu trữ</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1，%n 段录像</source>
        <translation>
            <numerusform>%1, %n bản ghi</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %2 附近 %n 次经过</source>
        <translation>
            <numerusform>%n lần đi qua gần %1, %2</numerusform>
        </translation>
    </message>
    <message>
        <source>不在线：%1</source>
        <translation>Ngoại tuyến: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n 个事件</source>
        <translation>
            <numerusform>%n sự kiện</numerusform>
        </translation>
    </message>
    <message>
        <source>无事件</source>
        <translation>không có</translation>
    </message>
    <message>
        <source>正在添加 %1 …</source>
        <translation>Đang thêm %1 …</translation>
    </message>
    <message>
        <source>当前位置未知：请先播放一段有 GPS 轨迹的录像</source>
        <translation>Chưa biết vị trí hiện tại: hãy phát một bản ghi có đường GPS trước</translation>
    </message>
    <message>
        <source>录像不在线</source>
        <translation>Bản ghi ngoại tuyến</translation>
    </message>
    <message>
        <source>这段录像不在原处（存储卡或磁盘未连接？）：
%1

要找到它现在所在的文件夹吗？</source>
        <translation>Bản ghi này không còn ở chỗ cũ (thẻ hoặc ổ đĩa chưa gắn?):
%1

Tìm thư mục chứa nó bây giờ?</translation>
    </message>
    <message>
        <source>录像所在的文件夹</source>
        <translation>Thư mục chứa bản ghi</translation>
    </message>
    <message>
        <source>文件列表</source>
        <translation>Tệp</translation>
    </message>
    <message>
        <source>档案</source>
        <translation>Kho lưu trữ</translation>
    </message>
    <message>
        <source>车辆保存的片段</source>
        <translation>Đoạn xe tự lưu</translation>
    </message>
    <message>
        <source>驾驶员保存</source>
        <translation>Tài xế lưu</translation>
    </message>
    <message>
        <source>鸣笛保存</source>
        <translation>Lưu bằng còi</translation>
    </message>
    <message>
        <source>哨兵：检测到物体</source>
        <translation>Canh gác: phát hiện vật thể</translation>
    </message>
    <message>
        <source>哨兵：车辆被碰</source>
        <translation>Canh gác: xe bị va chạm nhẹ</translation>
    </message>
    <message>
        <source>哨兵：车辆被撞</source>
        <translation>Canh gác: xe bị va đập</translation>
    </message>
    <message>
        <source>哨兵：有人拉车门</source>
        <translation>Canh gác: có người kéo tay nắm cửa</translation>
    </message>
    <message>
        <source>紧急制动</source>
        <translation>Phanh khẩn cấp</translation>
    </message>
    <message>
        <source>离线地图</source>
        <translation>Bản đồ ngoại tuyến</translation>
    </message>
    <message>
        <source>MBTiles 文件 (*.mbtiles);;所有文件 (*)</source>
        <translation>Tệp MBTiles (*.mbtiles);;Tất cả các tệp (*)</translation>
    </message>
    <message>
        <source>离线地图：</source>
        <translation>Bản đồ ngoại tuyến:</translation>
    </message>
    <message>
        <source>选择离线地图显示其街道的 MBTiles 文件</source>
        <translation>Chọn tệp MBTiles có đường phố để bản đồ ngoại tuyến hiển thị</translation>
    </message>
    <message>
        <source>不使用离线地图文件</source>
        <translation>Không dùng tệp bản đồ ngoại tuyến</translation>
    </message>
    <message>
        <source>文件已损坏或不是 SQLite 数据库。</source>
        <translation>Tệp bị hỏng hoặc không phải cơ sở dữ liệu SQLite.</translation>
    </message>
    <message>
        <source>文件中没有地图瓦片（没有 "tiles" 表）。</source>
        <translation>Tệp không chứa ô bản đồ (không có bảng "tiles").</translation>
    </message>
    <message>
        <source>文件的瓦片表为空。</source>
        <translation>Bảng ô của tệp trống.</translation>
    </message>
    <message>
        <source>文件的瓦片不是 PNG、JPEG 或 WebP 图片。</source>
        <translation>Các ô của tệp không phải ảnh PNG, JPEG hoặc WebP.</translation>
    </message>
    <message>
        <source>无法读取文件的缩放级别。</source>
        <translation>Không đọc được các mức thu phóng của tệp.</translation>
    </message>
    <message>
        <source>文件不存在。</source>
        <translation>Tệp không tồn tại.</translation>
    </message>
    <message>
        <source>文件不是 MBTiles 文件（不是 SQLite 数据库）。</source>
        <translation>Tệp không phải tệp MBTiles (không phải cơ sở dữ liệu SQLite).</translation>
    </message>
    <message>
        <source>无法打开文件。</source>
        <translation>Không mở được tệp.</translation>
    </message>
</context>
</TS>
