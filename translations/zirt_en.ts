<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>Calibration</name>
    <message>
        <source>Координаты не загружены!</source>
        <translation>No coordinates are loaded!</translation>
    </message>
    <message>
        <source>Невозможно работать по одному снимку!</source>
        <translation>Cannot work from a single image!</translation>
    </message>
</context>
<context>
    <name>DiagnosticsText</name>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>не найдена</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>нет: мало измерений</source>
        <translation>none: too few measurements</translation>
    </message>
    <message>
        <source>По отчёту</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>Уточнённая</source>
        <translation>Refined</translation>
    </message>
    <message>
        <source>Устойчивая</source>
        <translation>Robust</translation>
    </message>
    <message>
        <source>x0, пикс.</source>
        <translation>x0, px</translation>
    </message>
    <message>
        <source>y0, пикс.</source>
        <translation>y0, px</translation>
    </message>
    <message>
        <source>Корреляция x0 и y0</source>
        <translation>Correlation of x0 and y0</translation>
    </message>
    <message>
        <source>Эллипс 95%: большая полуось, пикс.</source>
        <translation>95% ellipse: major semi-axis, px</translation>
    </message>
    <message>
        <source>Эллипс 95%: малая полуось, пикс.</source>
        <translation>95% ellipse: minor semi-axis, px</translation>
    </message>
    <message>
        <source>Эллипс 95%: угол оси, °</source>
        <translation>95% ellipse: axis angle, °</translation>
    </message>
    <message>
        <source>Степени свободы</source>
        <translation>Degrees of freedom</translation>
    </message>
    <message>
        <source>СКО невязок, пикс.</source>
        <translation>RMS of residuals, px</translation>
    </message>
    <message>
        <source>Измерений / треков</source>
        <translation>Measurements / tracks</translation>
    </message>
    <message>
        <source>Счёт по отчёту не удался: %1</source>
        <translation>The report&apos;s computation failed: %1</translation>
    </message>
    <message>
        <source>Уточнённая точка не найдена: меньше двух точек измерены хотя бы на двух снимках, или система уравнений вырождена.</source>
        <translation>No refined point: fewer than two points are measured on at least two images, or the system of equations is degenerate.</translation>
    </message>
    <message>
        <source>Измерений слишком мало, чтобы оценить точность (степеней свободы нет).</source>
        <translation>Too few measurements to estimate the precision (no degrees of freedom).</translation>
    </message>
    <message>
        <source>Отбраковано грубых измерений: %1.</source>
        <translation>Gross measurements rejected: %1.</translation>
    </message>
    <message>
        <source>Поиск грубых измерений прерван: их слишком много.</source>
        <translation>The search for gross measurements was stopped: there are too many.</translation>
    </message>
    <message>
        <source>Измерения не сходятся в одной точке: σ̂ = %1 пикс. (больше %2 пикс.). Точки измерены вручную или пронумерованы неверно, или снимки не одна серия зума.</source>
        <translation>The measurements do not meet in one point: σ̂ = %1 px (more than %2 px). The points were measured by hand or numbered wrongly, or the images are not one zoom series.</translation>
    </message>
    <message>
        <source>Точка</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>Измерений</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>СКО, пикс.</source>
        <translation>RMS, px</translation>
    </message>
    <message>
        <source>Отбракована</source>
        <translation>Rejected</translation>
    </message>
    <message>
        <source>да (%1)</source>
        <translation>yes (%1)</translation>
    </message>
    <message>
        <source>Со снимка</source>
        <translation>From image</translation>
    </message>
    <message>
        <source>На снимок</source>
        <translation>To image</translation>
    </message>
    <message>
        <source>Масштаб</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>Центр x, пикс.</source>
        <translation>Centre x, px</translation>
    </message>
    <message>
        <source>Центр y, пикс.</source>
        <translation>Centre y, px</translation>
    </message>
    <message>
        <source>σ x, пикс.</source>
        <translation>σ x, px</translation>
    </message>
    <message>
        <source>σ y, пикс.</source>
        <translation>σ y, px</translation>
    </message>
    <message>
        <source>Снимок</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Отбраковано</source>
        <translation>Rejected</translation>
    </message>
    <message>
        <source>Уточнённая точка не найдена</source>
        <translation>No refined point</translation>
    </message>
    <message>
        <source>Красный крест: уточнённая точка; линии: каждый %1-й трек через неё</source>
        <translation>Red cross: the refined point; lines: every %1th track through it</translation>
    </message>
    <message>
        <source>Красный крест: уточнённая точка; линии: треки через неё</source>
        <translation>Red cross: the refined point; lines: the tracks through it</translation>
    </message>
    <message>
        <source>Эллипс: 95% доверительная область</source>
        <translation>Ellipse: 95% confidence region</translation>
    </message>
    <message>
        <source>, увеличен в %1 раз</source>
        <translation>, magnified %1 times</translation>
    </message>
    <message>
        <source>Синий косой крест: точка по отчёту</source>
        <translation>Blue diagonal cross: the report&apos;s point</translation>
    </message>
    <message>
        <source>Обведены отбракованные измерения</source>
        <translation>Circled: rejected measurements</translation>
    </message>
    <message>
        <source>Зелёная ломаная: путь центра по шагам зума, кружок — первый шаг</source>
        <translation>Green polyline: the centre&apos;s path over the zoom steps, the circle is the first step</translation>
    </message>
    <message>
        <source>Точка отчёта лежит вне 95%-го эллипса уточнённой точки (в %1 раза дальше его края): уточнённая или устойчивая точка вернее.</source>
        <translation>The report&apos;s point lies outside the refined point&apos;s 95% ellipse (%1 times as far as its edge): the refined or the robust point is the better one.</translation>
    </message>
</context>
<context>
    <name>MainMessages</name>
    <message>
        <source>Ошибка!</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>Ошибка загрузки файла координат!</source>
        <translation>Error loading a coordinate file!</translation>
    </message>
    <message>
        <source>Перезаписать существующий файл?</source>
        <translation>Overwrite the existing file?</translation>
    </message>
    <message>
        <source>Предупреждение</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Ошибка записи cam-файла!</source>
        <translation>Error writing the cam file!</translation>
    </message>
    <message>
        <source>Сохранить результат?</source>
        <translation>Save the result?</translation>
    </message>
    <message>
        <source>Сохранение</source>
        <translation>Saving</translation>
    </message>
    <message>
        <source>В имени «%1» есть знак «%2», недопустимый в имени файла. Уберите его.</source>
        <translation>The name “%1” has the character “%2”, which a file name cannot have. Remove it.</translation>
    </message>
    <message>
        <source>В имени «%1» нет имени перед «.cam»: результат записался бы как «P.cam». Выберите или введите имя вида cam1.cam.</source>
        <translation>The name “%1” has no name before “.cam”: the result would be written as “P.cam”. Choose or type a name such as cam1.cam.</translation>
    </message>
    <message>
        <source>Недопустимое имя cam-файла!</source>
        <translation>Invalid cam file name!</translation>
    </message>
    <message>
        <source>Открыть окно «Диагностика»?</source>
        <translation>Open the Diagnostics window?</translation>
    </message>
</context>
<context>
    <name>TMPForm</name>
    <message>
        <source>Калибровка главной точки</source>
        <translation>Principal point calibration</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Загрузить</source>
        <translation>&amp;Load</translation>
    </message>
    <message>
        <source>&amp;Сохранить</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>&amp;Измерить снимки…</source>
        <translation>&amp;Measure images…</translation>
    </message>
    <message>
        <source>Записать в &amp;файл калибровки…</source>
        <translation>Write to a &amp;calibration file…</translation>
    </message>
    <message>
        <source>&amp;Отчёт PDF…</source>
        <translation>&amp;PDF report…</translation>
    </message>
    <message>
        <source>&amp;Выход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Настройки</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>&amp;Пошаговый режим работы</source>
        <translation>&amp;Step-by-step mode</translation>
    </message>
    <message>
        <source>&amp;Счёт</source>
        <translation>&amp;Compute</translation>
    </message>
    <message>
        <source>&amp;Главная точка</source>
        <translation>&amp;Principal point</translation>
    </message>
    <message>
        <source>&amp;Диагностика…</source>
        <translation>&amp;Diagnostics…</translation>
    </message>
    <message>
        <source>&amp;Помощь</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Справка</source>
        <translation>Help &amp;contents</translation>
    </message>
    <message>
        <source>&amp;О программе</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>Загрузить</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Реперные точки изображений</source>
        <translation>The images&apos; reference points</translation>
    </message>
    <message>
        <source>Счет</source>
        <translation>Compute</translation>
    </message>
    <message>
        <source>Найти координаты главной точки</source>
        <translation>Find the principal point&apos;s coordinates</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Сохранить результаты</source>
        <translation>Save the results</translation>
    </message>
    <message>
        <source>Мишень для &amp;печати…</source>
        <translation>Print a &amp;target…</translation>
    </message>
</context>
<context>
    <name>zirt::DiagnosticsWindow</name>
    <message>
        <source>Рисунок PNG|*.png|Рисунок SVG|*.svg</source>
        <translation>PNG picture|*.png|SVG picture|*.svg</translation>
    </message>
    <message>
        <source>Какую точку сохранить: уточнённую — когда ошибки измерений случайны (строк, выделенных цветом, нет); она в 1,5–2 раза точнее точки отчёта. Устойчивую — когда есть выделенные строки: грубые измерения в ней отброшены. Точку отчёта сохраняет «Сохранить» главного окна.</source>
        <translation>Which point to save: the refined one when the measurement errors are random (no rows are tinted); it is 1.5–2 times more precise than the report&apos;s point. The robust one when rows are tinted: it leaves the gross measurements out. The main window&apos;s “Save” saves the report&apos;s point.</translation>
    </message>
    <message>
        <source>Устарело — нажмите Счёт</source>
        <translation>Out of date: press Compute</translation>
    </message>
    <message>
        <source>Перезаписать существующий файл?</source>
        <translation>Overwrite the existing file?</translation>
    </message>
    <message>
        <source>Предупреждение</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Не удалось записать рисунок!</source>
        <translation>The picture could not be written!</translation>
    </message>
    <message>
        <source>Ошибка!</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>Диагностика</source>
        <translation>Diagnostics</translation>
    </message>
    <message>
        <source>Колесо — масштаб, перетаскивание — сдвиг, двойной щелчок — всё</source>
        <translation>Wheel: zoom; drag: move; double click: everything</translation>
    </message>
    <message>
        <source>Точки</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Снимки</source>
        <translation>Images</translation>
    </message>
    <message>
        <source>Шаги зума</source>
        <translation>Zoom steps</translation>
    </message>
    <message>
        <source>Сохранить &amp;рисунок…</source>
        <translation>Save &amp;picture…</translation>
    </message>
    <message>
        <source>&amp;Показать всё</source>
        <translation>&amp;Show all</translation>
    </message>
    <message>
        <source>Сохранить &amp;уточнённую точку…</source>
        <translation>Save the &amp;refined point…</translation>
    </message>
    <message>
        <source>Сохранить у&amp;стойчивую точку…</source>
        <translation>Save the ro&amp;bust point…</translation>
    </message>
</context>
</TS>
