<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="zh_CN">
<context>
    <name>Q-MARL</name>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;静音&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Включение/Выключение Звука&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отменить</translation>
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
        <translation>Подтвердить</translation>
    </message>
    <message>
        <source>OpenStreetMap</source>
        <translation>Карты Улиц</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>Русский</translation>
    </message>
    <message>
        <source>上一个</source>
        <translation>Предыдущий</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>Следующий</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>保持画面比例</source>
        <translation>Полный Экран</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Стоп</translation>
    </message>
    <message>
        <source>全屏</source>
        <translation>Полноэкранный Формат</translation>
    </message>
    <message>
        <source>全屏播放</source>
        <translation>Полноэкранный Формат</translation>
    </message>
    <message>
        <source>分辨率</source>
        <translation>Формат</translation>
    </message>
    <message>
        <source>地图选择：</source>
        <translation>Карты：</translation>
    </message>
    <message>
        <source>当前纬度</source>
        <translation>Широта</translation>
    </message>
    <message>
        <source>当前经度</source>
        <translation>Долгота</translation>
    </message>
    <message>
        <source>录像时长</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>快放</source>
        <translation>Скорость 3х</translation>
    </message>
    <message>
        <source>快放(较快)</source>
        <translation>Скорость 15х</translation>
    </message>
    <message>
        <source>快放(非常快)</source>
        <translation>Скорость 60х</translation>
    </message>
    <message>
        <source>慢放</source>
        <translation>Скорость 1/2</translation>
    </message>
    <message>
        <source>慢放(较慢)</source>
        <translation>Скорость 1/4</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Открыть Файл</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open Dir</translation>
    </message>
    <message>
        <source>抓拍图片</source>
        <translation>Screenshot</translation>
    </message>
    <message>
        <source>抓拍路径</source>
        <translation>Выбор Файла</translation>
    </message>
    <message>
        <source>抓拍路径：</source>
        <translation>Выбор Файла：</translation>
    </message>
    <message>
        <source>拍照</source>
        <translation>Screenshot</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>播放/暂停</source>
        <translation>Воспроизведение/Пауза</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Увеличить</translation>
    </message>
    <message>
        <source>文件大小</source>
        <translation>Размер</translation>
    </message>
    <message>
        <source>无法播放此文件</source>
        <translation>Этот файл невозможно воспроизвести</translation>
    </message>
    <message>
        <source>普通速度</source>
        <translation>Исходная Скорость</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>Скорость</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>...</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Открыть Файл</translation>
    </message>
    <message>
        <source>百度地图</source>
        <translation>Карты Baidu</translation>
    </message>
    <message>
        <source>确定要清空文件列表？</source>
        <translation>确定要清空文件列表？</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>Упрощенный Китайский</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>Системные Настройки</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Уменьшить</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Автоматически</translation>
    </message>
    <message>
        <source>从不</source>
        <translation>Никогда</translation>
    </message>
    <message>
        <source>语言设置：</source>
        <translation>Язык：</translation>
    </message>
    <message>
        <source>谷歌地图</source>
        <translation>Google Map</translation>
    </message>
    <message>
        <source>速度单位：</source>
        <translation>Скорость：</translation>
    </message>
    <message>
        <source>重力感应：</source>
        <translation>G-Sensor：</translation>
    </message>
    <message>
        <source>铺满屏幕</source>
        <translation>Растянутый Формат Изображения</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Включение/Выключение Звука</translation>
    </message>
    <message>
        <source>导出轨迹…</source>
        <translation>Экспорт трека…</translation>
    </message>
    <message>
        <source>本机没有可用的视频输出，无法显示画面。</source>
        <translation>На этом компьютере нет работающего видеовывода: изображение не может быть показано.</translation>
    </message>
    <message>
        <source>颠簸 %1 g, %2</source>
        <translation>Толчок %1 g, %2</translation>
    </message>
    <message>
        <source>急刹车</source>
        <translation>Резкое торможение</translation>
    </message>
    <message>
        <source>急加速</source>
        <translation>Резкое ускорение</translation>
    </message>
    <message>
        <source>上一个事件</source>
        <translation>Предыдущее событие</translation>
    </message>
    <message>
        <source>下一个事件</source>
        <translation>Следующее событие</translation>
    </message>
    <message>
        <source>GPS 轨迹已读取</source>
        <translation>GPS-трек прочитан</translation>
    </message>
    <message>
        <source>此文件没有 GPS 轨迹</source>
        <translation>В этом файле нет GPS-трека</translation>
    </message>
    <message>
        <source>正在读取 GPS 轨迹</source>
        <translation>Чтение GPS-трека</translation>
    </message>
    <message>
        <source>导出片段…</source>
        <translation>Экспорт фрагмента…</translation>
    </message>
    <message>
        <source>每个通道原样保存（无损）</source>
        <translation>Каждый канал как есть (без потерь)</translation>
    </message>
    <message>
        <source>合成视频（含速度、位置）</source>
        <translation>Общее видео (со скоростью и координатами)</translation>
    </message>
    <message>
        <source>片段的 GPX 轨迹</source>
        <translation>GPX-трек фрагмента</translation>
    </message>
    <message>
        <source>无损剪切从入点处或之前最近的关键帧开始。</source>
        <translation>Копия без потерь начинается с ближайшего ключевого кадра в точке входа или до неё.</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Экспорт</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>范围</source>
        <translation>Диапазон</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Содержимое</translation>
    </message>
    <message>
        <source>保存到</source>
        <translation>Сохранить в</translation>
    </message>
    <message>
        <source>时间格式：秒数或 [时:]分:秒[.毫秒]</source>
        <translation>Время: секунды или [ч:]мм:сс[.ммм]</translation>
    </message>
    <message>
        <source>结束时间须晚于开始时间。</source>
        <translation>Конец должен быть позже начала.</translation>
    </message>
    <message>
        <source>请至少选择一项内容。</source>
        <translation>Выберите хотя бы один пункт.</translation>
    </message>
    <message>
        <source>无法写入文件夹：%1</source>
        <translation>Нельзя записать в папку: %1</translation>
    </message>
    <message>
        <source>正在导出…</source>
        <translation>Экспорт…</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>Сохранено в %1</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>已取消，未写入任何文件。</source>
        <translation>Отменено, ничего не записано.</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Ошибка экспорта: %1</translation>
    </message>
    <message>
        <source>正在取消…</source>
        <translation>Отмена…</translation>
    </message>
    <message>
        <source>最高 %1 %2</source>
        <translation>макс. %1 %2</translation>
    </message>
    <message>
        <source>导出行程轨迹…</source>
        <translation>Экспорт трека поездки…</translation>
    </message>
    <message>
        <source>导出行程视频…</source>
        <translation>Экспорт видео поездки…</translation>
    </message>
    <message>
        <source>原速</source>
        <translation>Обычная скорость</translation>
    </message>
    <message>
        <source>%1× 延时</source>
        <translation>Таймлапс %1×</translation>
    </message>
    <message>
        <source>合成视频速度</source>
        <translation>Скорость составного видео</translation>
    </message>
    <message>
        <source>约 %1，耗时约 %2</source>
        <translation>Около %1, займёт около %2</translation>
    </message>
    <message>
        <source>合成视频长 %1</source>
        <translation>Составное видео длиной %1</translation>
    </message>
    <message>
        <source>添加文件夹…</source>
        <translation>Добавить папку…</translation>
    </message>
    <message>
        <source>视频和 GPS 轨迹 (%1)</source>
        <translation>Видео и GPS-треки (%1)</translation>
    </message>
    <message>
        <source>视频 (%1)</source>
        <translation>Видео (%1)</translation>
    </message>
    <message>
        <source>GPS 轨迹 (%1)</source>
        <translation>GPS-треки (%1)</translation>
    </message>
    <message>
        <source>此文件夹中没有可播放的录像：%1</source>
        <translation>В этой папке нет записей для воспроизведения: %1</translation>
    </message>
    <message>
        <source>添加 GPS 轨迹…</source>
        <translation>Добавить GPS-трек…</translation>
    </message>
    <message>
        <source>没有已加载的 GPS 轨迹覆盖此录像</source>
        <translation>Ни один загруженный GPS-трек не покрывает эту запись</translation>
    </message>
    <message>
        <source>GPS 轨迹 %1 覆盖此录像的 %2 / %3 秒</source>
        <translation>GPS-трек %1 покрывает %2 / %3 с этой записи</translation>
    </message>
    <message>
        <source>没有缺少 GPS 轨迹的录像</source>
        <translation>Нет записей без GPS-трека</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹不覆盖任何录像</source>
        <translation>Загруженный GPS-трек не покрывает ни одной записи</translation>
    </message>
    <message>
        <source>校正时钟…</source>
        <translation>Поправить часы…</translation>
    </message>
    <message>
        <source>校正时钟</source>
        <translation>Поправить часы</translation>
    </message>
    <message>
        <source>此录像</source>
        <translation>Эта запись</translation>
    </message>
    <message>
        <source>整个行程</source>
        <translation>Вся поездка</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Сбросить</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹…</source>
        <translation>Загруженные GPS-треки…</translation>
    </message>
    <message>
        <source>已加载的 GPS 轨迹</source>
        <translation>Загруженные GPS-треки</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Начало</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>Конец</translation>
    </message>
    <message>
        <source>点数</source>
        <translation>Точек</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>GPS 轨迹来源</source>
        <translation>Источник GPS-трека</translation>
    </message>
    <message>
        <source>自动（录像、旁边的文件或已加载的轨迹）</source>
        <translation>Автоматически (видео, файл рядом или загруженный трек)</translation>
    </message>
    <message>
        <source>无</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>录像自带的轨迹</source>
        <translation>Собственный трек видео</translation>
    </message>
    <message>
        <source>旁边的文件 %1</source>
        <translation>Файл рядом: %1</translation>
    </message>
    <message>
        <source>无法读取 %1</source>
        <translation>Не удаётся прочитать %1</translation>
    </message>
    <message>
        <source>%1 太大，不能作为轨迹读取</source>
        <translation>%1 слишком велик, чтобы читать его как трек</translation>
    </message>
    <message>
        <source>%1 不是格式正确的 XML 文件</source>
        <translation>%1 — не правильный XML-файл</translation>
    </message>
    <message>
        <source>%1 既不是 GPX 也不是 KML</source>
        <translation>%1 — ни GPX, ни KML</translation>
    </message>
    <message>
        <source>%1 有不带时间的点</source>
        <translation>В %1 есть точки без времени</translation>
    </message>
    <message>
        <source>%1 不含任何位置</source>
        <translation>В %1 нет ни одного положения</translation>
    </message>
    <message>
        <source>添加文件夹到档案</source>
        <translation>Добавить папку в архив</translation>
    </message>
    <message>
        <source>添加文件夹到档案…</source>
        <translation>Добавить папку в архив…</translation>
    </message>
    <message>
        <source>在地图上显示整个档案</source>
        <translation>Показать весь архив на карте</translation>
    </message>
    <message>
        <source>使用当前标记</source>
        <translation>Взять текущую метку</translation>
    </message>
    <message>
        <source>半径</source>
        <translation>Радиус</translation>
    </message>
    <message>
        <source>在地图上点击一个地点</source>
        <translation>Щёлкните место на карте</translation>
    </message>
    <message>
        <source>按日期</source>
        <translation>По дням</translation>
    </message>
    <message>
        <source>按地点</source>
        <translation>По месту</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>距离</source>
        <translation>Расстояние</translation>
    </message>
    <message>
        <source>最高速度</source>
        <translation>Макс. скорость</translation>
    </message>
    <message>
        <source>事件</source>
        <translation>События</translation>
    </message>
    <message>
        <source>日期和时间</source>
        <translation>Дата и время</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Скорость</translation>
    </message>
    <message numerus="yes">
        <source>档案中有 %n 段录像</source>
        <translation>
            <numerusform>В архиве %n запись</numerusform>
            <numerusform>В архиве %n записи</numerusform>
            <numerusform>В архиве %n записей</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1，%n 段录像</source>
        <translation>
            <numerusform>%1, %n запись</numerusform>
            <numerusform>%1, %n записи</numerusform>
            <numerusform>%1, %n записей</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %2 附近 %n 次经过</source>
        <translation>
            <numerusform>%n проезд рядом с %1, %2</numerusform>
            <numerusform>%n проезда рядом с %1, %2</numerusform>
            <numerusform>%n проездов рядом с %1, %2</numerusform>
        </translation>
    </message>
    <message>
        <source>不在线：%1</source>
        <translation>Недоступно: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n 个事件</source>
        <translation>
            <numerusform>%n событие</numerusform>
            <numerusform>%n события</numerusform>
            <numerusform>%n событий</numerusform>
        </translation>
    </message>
    <message>
        <source>无事件</source>
        <translation>нет событий</translation>
    </message>
    <message>
        <source>正在添加 %1 …</source>
        <translation>Добавляется %1 …</translation>
    </message>
    <message>
        <source>当前位置未知：请先播放一段有 GPS 轨迹的录像</source>
        <translation>Текущее место неизвестно: сначала включите запись с GPS-треком</translation>
    </message>
    <message>
        <source>录像不在线</source>
        <translation>Запись недоступна</translation>
    </message>
    <message>
        <source>这段录像不在原处（存储卡或磁盘未连接？）：
%1

要找到它现在所在的文件夹吗？</source>
        <translation>Этой записи нет на прежнем месте (карта или диск не подключены?):
%1

Указать папку, где она теперь?</translation>
    </message>
    <message>
        <source>录像所在的文件夹</source>
        <translation>Папка записи</translation>
    </message>
    <message>
        <source>文件列表</source>
        <translation>Файлы</translation>
    </message>
    <message>
        <source>档案</source>
        <translation>Архив</translation>
    </message>
    <message>
        <source>车辆保存的片段</source>
        <translation>Запись, сохранённая машиной</translation>
    </message>
    <message>
        <source>驾驶员保存</source>
        <translation>Сохранено водителем</translation>
    </message>
    <message>
        <source>鸣笛保存</source>
        <translation>Сохранено сигналом</translation>
    </message>
    <message>
        <source>哨兵：检测到物体</source>
        <translation>Охрана: замечен объект</translation>
    </message>
    <message>
        <source>哨兵：车辆被碰</source>
        <translation>Охрана: машину задели</translation>
    </message>
    <message>
        <source>哨兵：车辆被撞</source>
        <translation>Охрана: удар по машине</translation>
    </message>
    <message>
        <source>哨兵：有人拉车门</source>
        <translation>Охрана: дёрнули ручку двери</translation>
    </message>
    <message>
        <source>紧急制动</source>
        <translation>Экстренное торможение</translation>
    </message>
    <message>
        <source>离线地图</source>
        <translation>Офлайн-карта</translation>
    </message>
    <message>
        <source>MBTiles 文件 (*.mbtiles);;所有文件 (*)</source>
        <translation>Файлы MBTiles (*.mbtiles);;Все файлы (*)</translation>
    </message>
    <message>
        <source>离线地图：</source>
        <translation>Офлайн-карта:</translation>
    </message>
    <message>
        <source>选择离线地图显示其街道的 MBTiles 文件</source>
        <translation>Выберите файл MBTiles, улицы из которого покажет офлайн-карта</translation>
    </message>
    <message>
        <source>不使用离线地图文件</source>
        <translation>Без файла офлайн-карты</translation>
    </message>
    <message>
        <source>文件已损坏或不是 SQLite 数据库。</source>
        <translation>Файл повреждён или не является базой данных SQLite.</translation>
    </message>
    <message>
        <source>文件中没有地图瓦片（没有 "tiles" 表）。</source>
        <translation>В файле нет фрагментов карты (нет таблицы "tiles").</translation>
    </message>
    <message>
        <source>文件的瓦片表为空。</source>
        <translation>Таблица фрагментов в файле пуста.</translation>
    </message>
    <message>
        <source>文件的瓦片不是 PNG、JPEG 或 WebP 图片。</source>
        <translation>Фрагменты в файле не являются изображениями PNG, JPEG или WebP.</translation>
    </message>
    <message>
        <source>无法读取文件的缩放级别。</source>
        <translation>Не удаётся прочитать уровни масштаба файла.</translation>
    </message>
    <message>
        <source>文件不存在。</source>
        <translation>Файл не существует.</translation>
    </message>
    <message>
        <source>文件不是 MBTiles 文件（不是 SQLite 数据库）。</source>
        <translation>Файл не является файлом MBTiles (не база данных SQLite).</translation>
    </message>
    <message>
        <source>无法打开文件。</source>
        <translation>Не удаётся открыть файл.</translation>
    </message>
</context>
</TS>
