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
    <name>ComputeHints</name>
    <message>
        <source>Что делать: во всех файлах должно быть поровну точек и в одном порядке — допишите недостающие точки или уберите лишние и загрузите файлы снова.</source>
        <translation>What to do: every file must hold as many points as the others, in the same order — add the missing points or remove the extra ones and load the files again.</translation>
    </message>
    <message>
        <source>В файле %1 нет точек.</source>
        <translation>File %1 has no points.</translation>
    </message>
    <message>
        <source>Что делать: загрузите файлы заново, первым — файл с точками.</source>
        <translation>What to do: load the files again, a file with points first.</translation>
    </message>
    <message>
        <source>Прямые всех реперных точек параллельны: общей точки у них нет.</source>
        <translation>The lines of all reference points are parallel: they have no common point.</translation>
    </message>
    <message>
        <source>Что делать: снимите последовательность с изменением масштаба (зума), чтобы точки сходились к главной точке, и измерьте её снова.</source>
        <translation>What to do: take a sequence with a changing scale (zoom), so that the points converge on the principal point, and measure it again.</translation>
    </message>
    <message>
        <source>Что делать: проверьте координаты точки %1 во всех файлах; если они верны, уберите эту точку из всех файлов.</source>
        <translation>What to do: check the coordinates of point %1 in every file; if they are right, remove this point from every file.</translation>
    </message>
    <message>
        <source>Реперная точка %1 стоит на месте: на всех снимках, где она видна, у неё одни и те же координаты, прямую через неё провести нельзя.</source>
        <translation>Reference point %1 stands still: it has the same coordinates on every image where it is seen, so no line can be drawn through it.</translation>
    </message>
    <message>
        <source>Реперная точка %1 стоит на месте: на всех снимках у неё одни и те же координаты, прямую через неё провести нельзя.</source>
        <translation>Reference point %1 stands still: it has the same coordinates on every image, so no line can be drawn through it.</translation>
    </message>
    <message>
        <source>Реперная точка %1 движется строго по вертикали (x одинаков на всех снимках, где она видна): такую прямую счёт отчёта построить не может.</source>
        <translation>Reference point %1 moves strictly vertically (x is the same on every image where it is seen): the report's computation cannot fit such a line.</translation>
    </message>
    <message>
        <source>Реперная точка %1 движется строго по вертикали (x одинаков на всех снимках): такую прямую счёт отчёта построить не может.</source>
        <translation>Reference point %1 moves strictly vertically (x is the same on every image): the report's computation cannot fit such a line.</translation>
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
        <source>, увеличен в %1 раз</source>
        <translation>, magnified %1 times</translation>
    </message>
    <message>
        <source>Точка отчёта лежит вне 95%-го эллипса уточнённой точки (в %1 раза дальше его края): уточнённая или устойчивая точка вернее.</source>
        <translation>The report&apos;s point lies outside the refined point&apos;s 95% ellipse (%1 times as far as its edge): the refined or the robust point is the better one.</translation>
    </message>
    <message>
        <source>Проверка</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>сдвинут</source>
        <translation>shifted</translation>
    </message>
    <message>
        <source>Для каждого снимка — общий сдвиг его измерений относительно модели с общим центром, с σ. Снимок сдвинут, когда его F больше границы F(2, %1) = %2: уровень 1% на всю последовательность (поправка Бонферрони по снимкам).</source>
        <translation>For each image, the common shift of its measurements against the model with one common centre, with its σ. An image is shifted when its F exceeds the bound F(2, %1) = %2: a 1% level over the whole sequence (Bonferroni correction over the images).</translation>
    </message>
    <message>
        <source>Каждый %1-й трек через уточнённую точку</source>
        <translation>Every %1th track through the refined point</translation>
    </message>
    <message>
        <source>Треки через уточнённую точку</source>
        <translation>Tracks through the refined point</translation>
    </message>
    <message>
        <source>Её эллипс 95%</source>
        <translation>Its 95% ellipse</translation>
    </message>
    <message>
        <source>dx, пикс.</source>
        <translation>dx, px</translation>
    </message>
    <message>
        <source>dy, пикс.</source>
        <translation>dy, px</translation>
    </message>
</context>
<context>
    <name>ExportDialog</name>
    <message>
        <source>Точка отчёта</source>
        <translation>The report&apos;s point</translation>
    </message>
    <message>
        <source>Уточнённая точка</source>
        <translation>The refined point</translation>
    </message>
    <message>
        <source>Устойчивая точка</source>
        <translation>The robust point</translation>
    </message>
    <message>
        <source>Записать в файл калибровки</source>
        <translation>Write to a calibration file</translation>
    </message>
    <message>
        <source>Файл:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>Точка:</source>
        <translation>Point:</translation>
    </message>
    <message>
        <source>Камера:</source>
        <translation>Camera:</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>HelpViewer</name>
    <message>
        <source>Справка ZIRT</source>
        <translation>ZIRT help</translation>
    </message>
</context>
<context>
    <name>LoadHints</name>
    <message>
        <source>В файле нулевой байт: файл повреждён.</source>
        <translation>The file holds a zero byte: the file is damaged.</translation>
    </message>
    <message>
        <source>%1, строка %2</source>
        <translation>%1, line %2</translation>
    </message>
    <message>
        <source>В конце файла пустая строка.</source>
        <translation>The file ends with an empty line.</translation>
    </message>
    <message>
        <source>В строке три числа: по-видимому, это файл координат сцены (X ; Y ; Z), а не файл координат снимка (X ; Y).</source>
        <translation>The line holds three numbers: this seems to be a scene coordinate file (X ; Y ; Z), not an image coordinate file (X ; Y).</translation>
    </message>
    <message>
        <source>В файле, по-видимому, десятичный разделитель «%1», а в региональных настройках — «%2».</source>
        <translation>The file seems to use “%1” as the decimal separator, and the regional settings “%2”.</translation>
    </message>
    <message>
        <source>Для точки запустите программу с LC_ALL=C или смените региональные настройки.</source>
        <translation>For a point, start the program with LC_ALL=C or change the regional settings.</translation>
    </message>
    <message>
        <source>Для запятой запустите программу с LC_ALL=ru_RU.UTF-8 или смените региональные настройки.</source>
        <translation>For a comma, start the program with LC_ALL=ru_RU.UTF-8 or change the regional settings.</translation>
    </message>
    <message>
        <source>Точек в файле %1: %2, в файле %3: %4.</source>
        <translation>Points in file %1: %2, in file %3: %4.</translation>
    </message>
    <message>
        <source>Файл %1 пуст: в нём нет ни одной точки, и счёт по нему не пройдёт.</source>
        <translation>File %1 is empty: it has no points, and the computation will fail on it.</translation>
    </message>
    <message>
        <source>В файлах %1 и %2 одни и те же точки: один снимок взят дважды?</source>
        <translation>Files %1 and %2 hold the same points: one image taken twice?</translation>
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
    <message>
        <source>В этих файлах десятичный разделитель — точка. Прочитать их с точкой?</source>
        <translation>These files use a point as the decimal separator. Read them with a point?</translation>
    </message>
    <message>
        <source>В этих файлах десятичный разделитель — запятая. Прочитать их с запятой?</source>
        <translation>These files use a comma as the decimal separator. Read them with a comma?</translation>
    </message>
    <message>
        <source>Только для этой загрузки: разделитель программы (из региональных настроек) остаётся запятой, файлы не меняются.</source>
        <translation>For this load only: the program&apos;s separator (from the regional settings) stays a comma, and the files are not changed.</translation>
    </message>
    <message>
        <source>Только для этой загрузки: разделитель программы (из региональных настроек) остаётся точкой, файлы не меняются.</source>
        <translation>For this load only: the program&apos;s separator (from the regional settings) stays a point, and the files are not changed.</translation>
    </message>
</context>
<context>
    <name>MainResults</name>
    <message>
        <source>Уточнённая оценка окна «Диагностика» (прямые по перпендикулярным расстояниям) находит точку и здесь: x0 = %1, y0 = %2; её можно сохранить оттуда.</source>
        <translation>The refined estimate of the Diagnostics window (lines by perpendicular distances) finds the point here too: x0 = %1, y0 = %2; it can be saved from there.</translation>
    </message>
    <message>
        <source>В файле %1 точек меньше, чем в %2 (%3 из %4): прямые остальных точек построены без него.</source>
        <translation>File %1 has fewer points than %2 (%3 of %4): the lines of the other points were fitted without it.</translation>
    </message>
    <message>
        <source>Из файла %1 взяты только первые точки: %2 из %3, как в %4.</source>
        <translation>Only the first points of file %1 were taken: %2 of %3, as many as in %4.</translation>
    </message>
    <message>
        <source>Не вошёл файл %1: в нём нет точек.</source>
        <translation>File %1 was left out: it has no points.</translation>
    </message>
    <message>
        <source>Не вошёл файл %1: ни одна его точка не видна.</source>
        <translation>File %1 was left out: none of its points is seen.</translation>
    </message>
    <message>
        <source>Не вошёл файл %1: ни одна его точка не видна на других снимках.</source>
        <translation>File %1 was left out: none of its points is seen on another image.</translation>
    </message>
    <message>
        <source>Она найдена по всем файлам (%1).</source>
        <translation>It was found from all the files (%1).</translation>
    </message>
    <message>
        <source>Она найдена по файлам %1 (%2 из %3).</source>
        <translation>It was found from the files %1 (%2 of %3).</translation>
    </message>
</context>
<context>
    <name>MeasureImages</name>
    <message>
        <source>Измерить снимки</source>
        <translation>Measure images</translation>
    </message>
    <message>
        <source>Не измерены снимки:
%1
Файлы не записаны.</source>
        <translation>Images not measured:
%1
No files were written.</translation>
    </message>
    <message>
        <source>
Если мишени в кадре нет, выберите «Без мишени — по деталям сцены»: точки найдутся по деталям самой сцены.</source>
        <translation>
If no target is in view, choose “No target: from the scene&apos;s details”: the points are then found on the scene&apos;s own details.</translation>
    </message>
    <message>
        <source>Файл координат %1 — это снимок %2: он был бы записан поверх снимка.</source>
        <translation>The coordinate file %1 is the image %2: it would be written over the image.</translation>
    </message>
    <message>
        <source>Снимки %1 и %2 дали бы один файл координат %3.</source>
        <translation>The images %1 and %2 would give one coordinate file %3.</translation>
    </message>
    <message>
        <source>Файлы координат уже есть: %1. Заменить их?</source>
        <translation>The coordinate files exist already: %1. Replace them?</translation>
    </message>
    <message>
        <source>Ошибка записи файла координат!</source>
        <translation>Error writing a coordinate file!</translation>
    </message>
    <message>
        <source>Выберите другую папку: измерения сохранены до записи.</source>
        <translation>Choose another folder: the measurements are kept until they are written.</translation>
    </message>
    <message>
        <source>Папка для файлов координат</source>
        <translation>Folder for the coordinate files</translation>
    </message>
    <message>
        <source>Не удалось создать временную папку.</source>
        <translation>A temporary folder could not be made.</translation>
    </message>
    <message>
        <source>Снимки %1: измерение прервано. Файлы не записаны.</source>
        <translation>Images %1: the measuring was stopped. No files were written.</translation>
    </message>
    <message>
        <source> и ещё %1</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>Не удалось прочесть результат измерения.</source>
        <translation>The measuring result could not be read.</translation>
    </message>
    <message>
        <source>Снимки|*.jpg;*.jpeg;*.png;*.tif;*.tiff|Все файлы|*</source>
        <translation>Images|*.jpg;*.jpeg;*.png;*.tif;*.tiff|All files|*</translation>
    </message>
</context>
<context>
    <name>MeasurePreview</name>
    <message>
        <source> — пропущен</source>
        <translation> — skipped</translation>
    </message>
    <message>
        <source> — %1 углов</source>
        <translation> — %1 corners</translation>
    </message>
    <message>
        <source>Измеренные снимки</source>
        <translation>Measured images</translation>
    </message>
    <message>
        <source>Точек сцены: %1, показана выборка; линия ведёт от места точки на первом снимке. Линии должны быть направлены к одной общей точке, а кружки — лежать на тех же деталях сцены на всех снимках.</source>
        <translation>Scene points: %1, a sample is shown; a line leads from the point&apos;s place in the first image. The lines must point to one common point, and the circles lie on the same details of the scene in every image.</translation>
    </message>
    <message>
        <source>Проверьте, что на каждом снимке точка 1 (красная) и нумерация рядов одни и те же: строка файла с тем же номером должна указывать на ту же точку мишени на всех снимках.</source>
        <translation>Check that point 1 (red) and the numbering of the rows are the same in every image: a file line of one number must mean the same target point in every image.</translation>
    </message>
    <message>
        <source> Доска видна частично: у имени снимка — число найденных углов; серые крестики — углы, не найденные на снимке (их строки в файле — «- ; -»); серые снимки пропущены: на них меньше 4 углов, файл для них не записывается.</source>
        <translation> The board is seen in part: beside an image&apos;s name is the number of corners found; grey crosses are corners not found in the image (their file lines are “- ; -”); grey images are skipped: they have fewer than 4 corners, and no file is written for them.</translation>
    </message>
    <message>
        <source>Найдена доска %1 внутренних углов. </source>
        <translation>A board of %1 inner corners is found. </translation>
    </message>
    <message>
        <source>Записать и загрузить</source>
        <translation>Write and load</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Будут записаны файлы координат: %1.</source>
        <translation>The coordinate files to be written: %1.</translation>
    </message>
    <message>
        <source>Будут записаны файлы координат (%1) в папку %2: %3.</source>
        <translation>The coordinate files (%1) to be written to the folder %2: %3.</translation>
    </message>
    <message>
        <source>Колесо мыши, + и − — масштаб; перетаскивание — сдвиг; 0 или двойной щелчок — вписать.</source>
        <translation>Mouse wheel, + and −: zoom; drag: pan; 0 or a double click: fit.</translation>
    </message>
    <message>
        <source>Вписать</source>
        <translation>Fit</translation>
    </message>
</context>
<context>
    <name>MeasureProgress</name>
    <message>
        <source>Измерение снимков</source>
        <translation>Measuring images</translation>
    </message>
    <message>
        <source>Поиск мишени на снимках…</source>
        <translation>Looking for the target in the images…</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Не найдена программа zirt-measure.</source>
        <translation>The program zirt-measure is not found.</translation>
    </message>
    <message>
        <source>Не удалось запустить zirt-measure: </source>
        <translation>zirt-measure could not be started: </translation>
    </message>
    <message>
        <source>Измерено %1 из %2: %3</source>
        <translation>Measured %1 of %2: %3</translation>
    </message>
    <message>
        <source>zirt-measure завершилась с ошибкой.</source>
        <translation>zirt-measure ended with an error.</translation>
    </message>
</context>
<context>
    <name>MeasureReasons</name>
    <message>
        <source>мишень не найдена: в кадре шахматная доска %1×%2 внутренних углов — проверьте размер мишени</source>
        <translation>target not found: a chessboard of %1×%2 inner corners is in view; check the target size</translation>
    </message>
    <message>
        <source>мишень не найдена: у шахматной доски в кадре больше внутренних углов, чем %1×%2 — проверьте размер мишени</source>
        <translation>target not found: the chessboard in view has more inner corners than %1×%2; check the target size</translation>
    </message>
    <message>
        <source>мишень не найдена</source>
        <translation>target not found</translation>
    </message>
    <message>
        <source>шахматная доска не найдена, её углы не сосчитать</source>
        <translation>no chessboard is found, its corners cannot be counted</translation>
    </message>
    <message>
        <source>не обычный файл (папка)</source>
        <translation>not a regular file (a folder)</translation>
    </message>
    <message>
        <source>не обычный файл</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>повреждён</source>
        <translation>damaged</translation>
    </message>
    <message>
        <source>не читается</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>слишком большой (%1 Мпикс)</source>
        <translation>too large (%1 MP)</translation>
    </message>
    <message>
        <source>точки не совпадают с точками первого снимка при зуме (расхождение %1 пикс.): другая доска или мишень, или неверный размер мишени</source>
        <translation>the points do not match the first image&apos;s under zoom (%1 px apart): another board or target, or a wrong target size</translation>
    </message>
    <message>
        <source>точки не совпадают с точками первого снимка при зуме: другая доска или мишень, или неверный размер мишени</source>
        <translation>the points do not match the first image&apos;s under zoom: another board or target, or a wrong target size</translation>
    </message>
    <message>
        <source>точки не сходятся к общему центру других снимков (расхождение %1 пикс.): другая доска, или камера сдвинулась</source>
        <translation>the points do not meet at the other images&apos; common centre (%1 px apart): another board, or the camera moved</translation>
    </message>
    <message>
        <source>мало деталей сцены: найдено %1, нужно не меньше %2</source>
        <translation>too few scene details: %1 found, at least %2 needed</translation>
    </message>
    <message>
        <source>на снимках нет зума: масштаб не меняется</source>
        <translation>the images show no zoom: the scale does not change</translation>
    </message>
    <message>
        <source>для серии зума нужно не меньше двух снимков</source>
        <translation>a zoom series needs at least two images</translation>
    </message>
    <message>
        <source>зум меняется слишком мало, чтобы найти точку (эллипс 95% достигает %1 пикс.): увеличьте разницу зума между снимками</source>
        <translation>the zoom changes too little to find the point (the 95% ellipse reaches %1 px): make the zoom differ more between the images</translation>
    </message>
    <message>
        <source>маркеры в кадре расположены не так, как на выбранной доске</source>
        <translation>the markers in view do not lie as on the chosen board</translation>
    </message>
    <message>
        <source>не измерен: сбой обработки снимка</source>
        <translation>not measured: the image&apos;s processing failed</translation>
    </message>
    <message>
        <source>не измерен</source>
        <translation>not measured</translation>
    </message>
    <message>
        <source>повёрнут на %1° относительно соседних по зуму снимков: измерен, но поворот камеры смещает точку</source>
        <translation>turned %1° against its neighbours in the zoom: measured, but a camera that turns moves the point</translation>
    </message>
    <message>
        <source>повёрнут на %1° относительно соседних по зуму снимков: камера сдвинулась или повернулась</source>
        <translation>turned %1° against its neighbours in the zoom: the camera moved or turned</translation>
    </message>
    <message>
        <source>точки не сходятся к одной общей точке зума (подходят %1% точек сцены): камера сдвинулась или повернулась</source>
        <translation>the points do not zoom about one common point (%1% of the scene points fit): the camera moved or turned</translation>
    </message>
    <message>
        <source>мало общих с другими снимками деталей сцены</source>
        <translation>too few scene details shared with the other images</translation>
    </message>
    <message>
        <source>мало общих деталей сцены со следующим по зуму, более широким снимком</source>
        <translation>too few scene details shared with the next, wider image of the zoom</translation>
    </message>
    <message>
        <source>через весь зум прослежено только %1 точек сцены, нужно не меньше %2</source>
        <translation>only %1 scene points are followed through the zoom, at least %2 needed</translation>
    </message>
    <message>
        <source>в кадре %1 маркеров с номерами больше %2 маркеров выбранной доски: проверьте размер доски</source>
        <translation>%1 markers numbered beyond the %2 of the chosen board are in view: check the board&apos;s size</translation>
    </message>
    <message>
        <source>ни на одном снимке нет маркеров доски %1: проверьте вид доски и словарь</source>
        <translation>no image shows a marker of the %1 board: check the board&apos;s kind and dictionary</translation>
    </message>
    <message>
        <source>доска достаточно видна меньше чем на двух снимках</source>
        <translation>fewer than two images show the board well enough</translation>
    </message>
</context>
<context>
    <name>MeasureSettings</name>
    <message>
        <source>Измерить снимки</source>
        <translation>Measure images</translation>
    </message>
    <message>
        <source>Шахматная доска</source>
        <translation>Chessboard</translation>
    </message>
    <message>
        <source>Сетка кругов</source>
        <translation>Circle grid</translation>
    </message>
    <message>
        <source>Шахматная сетка кругов (асимметричная)</source>
        <translation>Staggered circle grid (asymmetric)</translation>
    </message>
    <message>
        <source>Без мишени — по деталям сцены</source>
        <translation>No target: from the scene&apos;s details</translation>
    </message>
    <message>
        <source>Доска ChArUco (видна частично)</source>
        <translation>ChArUco board (seen in part)</translation>
    </message>
    <message>
        <source>Сетка AprilGrid (видна частично)</source>
        <translation>AprilGrid (seen in part)</translation>
    </message>
    <message>
        <source>Определить размер доски по первому снимку</source>
        <translation>Find the board size from the first image</translation>
    </message>
    <message>
        <source>Мишень:</source>
        <translation>Target:</translation>
    </message>
    <message>
        <source>В ряду:</source>
        <translation>In a row:</translation>
    </message>
    <message>
        <source>Рядов:</source>
        <translation>Rows:</translation>
    </message>
    <message>
        <source>Словарь маркеров:</source>
        <translation>Marker dictionary:</translation>
    </message>
    <message>
        <source>Промежуток между метками (доля метки):</source>
        <translation>Gap between tags (share of a tag):</translation>
    </message>
    <message>
        <source>Измерить</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Считаются внутренние углы доски: у доски 10 × 7 клеток их 9 в ряду и 6 рядов.</source>
        <translation>The board&apos;s inner corners are counted: a board of 10 × 7 squares has 9 in a row and 6 rows.</translation>
    </message>
    <message>
        <source>Точки берутся из самой сцены: камера на штативе, фокус и сцена неподвижны, меняется только зум.</source>
        <translation>The points are taken from the scene itself: the camera on a tripod, focus and scene still, only the zoom changes.</translation>
    </message>
    <message>
        <source>Считаются клетки доски: в ряду и число рядов. Доска может выходить за кадр: углы нумеруются по маркерам.</source>
        <translation>The board&apos;s squares are counted: in a row and the number of rows. The board may reach out of the frame: the corners are numbered by the markers.</translation>
    </message>
    <message>
        <source>Считаются метки AprilTag 36h11: в ряду и число рядов. Сетка может выходить за кадр: углы нумеруются по меткам.</source>
        <translation>The AprilTag 36h11 tags are counted: in a row and the number of rows. The grid may reach out of the frame: the corners are numbered by the tags.</translation>
    </message>
    <message>
        <source>Считаются круги: в ряду и число рядов.</source>
        <translation>The circles are counted: in a row and the number of rows.</translation>
    </message>
    <message>
        <source>Убрать из списка</source>
        <translation>Remove from the list</translation>
    </message>
    <message>
        <source>Снимки не измерить: %1. Они выделены: «Убрать из списка» (или Delete) уберёт их, остальные будут измерены.</source>
        <translation>These images cannot be measured: %1. They are selected: “Remove from the list” (or Delete) drops them, and the others will be measured.</translation>
    </message>
    <message>
        <source>Не измеренные снимки отмечены причиной: исправьте мишень или её размер, или уберите эти снимки из списка.</source>
        <translation>The images not measured are marked with the reason: correct the target or its size, or remove these images from the list.</translation>
    </message>
    <message>
        <source>Снимки:</source>
        <translation>Images:</translation>
    </message>
</context>
<context>
    <name>OverviewMarks</name>
    <message>
        <source>Точка отчёта</source>
        <translation>The report&apos;s point</translation>
    </message>
    <message>
        <source>Уточнённая точка</source>
        <translation>The refined point</translation>
    </message>
    <message>
        <source>Устойчивая точка</source>
        <translation>The robust point</translation>
    </message>
    <message>
        <source>Измерение, отбракованное как грубое</source>
        <translation>A measurement rejected as a gross error</translation>
    </message>
    <message>
        <source>Центры шагов зума; точка — первый шаг</source>
        <translation>Zoom steps&apos; centres; the dot is the first step</translation>
    </message>
    <message>
        <source>… и ещё снимков: %1 (цвета повторяются через каждые %2)</source>
        <translation>… and %1 more images (the colours repeat every %2)</translation>
    </message>
</context>
<context>
    <name>PdfReport</name>
    <message>
        <source>Стр. %1</source>
        <translation>Page %1</translation>
    </message>
    <message>
        <source>не прочитан: </source>
        <translation>not read: </translation>
    </message>
    <message>
        <source>не найдена</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>ZIRT — отчёт о калибровке главной точки</source>
        <translation>ZIRT — principal point calibration report</translation>
    </message>
    <message>
        <source>Программа ZIRT, версия %1. Отчёт составлен %2.</source>
        <translation>ZIRT version %1. Report made %2.</translation>
    </message>
    <message>
        <source>Команда: </source>
        <translation>Command: </translation>
    </message>
    <message>
        <source>Исходные данные</source>
        <translation>Input data</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Точек</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Главная точка</source>
        <translation>Principal point</translation>
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
        <source>Оценка</source>
        <translation>Estimate</translation>
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
        <source>σ x0, пикс.</source>
        <translation>σ x0, px</translation>
    </message>
    <message>
        <source>σ y0, пикс.</source>
        <translation>σ y0, px</translation>
    </message>
    <message>
        <source>Корр. x0, y0</source>
        <translation>Corr. x0, y0</translation>
    </message>
    <message>
        <source>Эллипс 95%: полуоси, пикс.; угол</source>
        <translation>95% ellipse: semi-axes, px; angle</translation>
    </message>
    <message>
        <source>Степени свободы</source>
        <translation>Degrees of freedom</translation>
    </message>
    <message>
        <source>Счёт по отчёту не удался: </source>
        <translation>The report&apos;s computation failed: </translation>
    </message>
    <message>
        <source>Строки отчёта:</source>
        <translation>The report&apos;s lines:</translation>
    </message>
    <message>
        <source>Измерения и треки</source>
        <translation>Measurements and tracks</translation>
    </message>
    <message>
        <source>Шаги зума</source>
        <translation>Zoom steps</translation>
    </message>
    <message>
        <source>Шагов нет: снимков меньше двух.</source>
        <translation>No steps: fewer than two images.</translation>
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
        <source>Для каждой пары соседних по зуму снимков, от самого широкого: центр, относительно которого точки, видимые на обоих, расходятся в «Масштаб» раз. Центры, что смещаются от шага к шагу больше своих σ, говорят об объективе, ось которого движется при зуме; точка отчёта и уточнённая точка — общий центр всей последовательности.</source>
        <translation>For each pair of images neighbouring in zoom, from the widest: the centre about which the points seen in both spread by “Scale” times. Centres that move from step to step by more than their σ tell of a lens whose axis moves with the zoom; the report&apos;s point and the refined point are the common centre of the whole sequence.</translation>
    </message>
    <message>
        <source>Снимки</source>
        <translation>Images</translation>
    </message>
    <message>
        <source>сдвинут</source>
        <translation>shifted</translation>
    </message>
    <message>
        <source>Измере­ний</source>
        <translation>Measure­ments</translation>
    </message>
    <message>
        <source>СКО, пикс.</source>
        <translation>RMS, px</translation>
    </message>
    <message>
        <source>Отбра­ковано</source>
        <translation>Rejec­ted</translation>
    </message>
    <message>
        <source>Сдвиг dx; dy, пикс.</source>
        <translation>Shift dx; dy, px</translation>
    </message>
    <message>
        <source>σ сдвига, пикс.</source>
        <translation>σ of shift, px</translation>
    </message>
    <message>
        <source>Проверка</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Проверка сдвига снимков</source>
        <translation>Image shift test</translation>
    </message>
    <message>
        <source>Для каждого снимка — общий сдвиг его измерений относительно модели с общим центром, с σ; проверка на уровне 1% на всю последовательность (поправка Бонферрони по снимкам)%1.</source>
        <translation>For each image, the common shift of its measurements against the model with a common centre, with σ; tested at 1% over the whole sequence (Bonferroni&apos;s correction over the images)%1.</translation>
    </message>
    <message>
        <source>, граница F(2, %1) = %2</source>
        <translation>, bound F(2, %1) = %2</translation>
    </message>
    <message>
        <source>Грубые ошибки</source>
        <translation>Gross errors</translation>
    </message>
    <message>
        <source>Грубых измерений не найдено.</source>
        <translation>No gross measurements are found.</translation>
    </message>
    <message>
        <source>Снимок</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Точка</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>Отклонение от трека, пикс.</source>
        <translation>Distance from the track, px</translation>
    </message>
    <message>
        <source>Стьюдентизированный остаток</source>
        <translation>Studentized residual</translation>
    </message>
    <message>
        <source>Поиск грубых измерений прерван: их слишком много.</source>
        <translation>The search for gross measurements was stopped: there are too many.</translation>
    </message>
    <message>
        <source>Точки</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>да</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>Измерений</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>Отбракована</source>
        <translation>Rejected</translation>
    </message>
    <message>
        <source>Треки через устойчивую точку</source>
        <translation>Tracks through the robust point</translation>
    </message>
    <message>
        <source>Точек всего %1; в таблице — только точки с отбракованными измерениями, остальные %2 не перечислены. Полная таблица точек — во вкладке «Точки» окна «Диагностика» и в выводе zirt-batch --json («points»); измерения — в файлах координат.</source>
        <translation>%1 points in all; the table lists only the points with rejected measurements, the other %2 are not listed. The full point table is in the Points tab of the Diagnostics window and in the output of zirt-batch --json (&quot;points&quot;); the measurements are in the coordinate files.</translation>
    </message>
</context>
<context>
    <name>PrintBoard</name>
    <message>
        <source>Мишень для печати</source>
        <translation>Print a target</translation>
    </message>
    <message>
        <source>Доска ChArUco</source>
        <translation>ChArUco board</translation>
    </message>
    <message>
        <source>Сетка AprilGrid</source>
        <translation>AprilGrid</translation>
    </message>
    <message>
        <source> мм</source>
        <translation> mm</translation>
    </message>
    <message>
        <source>A4, если доска помещается, иначе A3</source>
        <translation>A4 if the board fits, else A3</translation>
    </message>
    <message>
        <source>Мишень:</source>
        <translation>Target:</translation>
    </message>
    <message>
        <source>В ряду:</source>
        <translation>In a row:</translation>
    </message>
    <message>
        <source>Рядов:</source>
        <translation>Rows:</translation>
    </message>
    <message>
        <source>Словарь маркеров:</source>
        <translation>Marker dictionary:</translation>
    </message>
    <message>
        <source>Промежуток между метками (доля метки):</source>
        <translation>Gap between tags (share of a tag):</translation>
    </message>
    <message>
        <source>Сторона клетки:</source>
        <translation>Square side:</translation>
    </message>
    <message>
        <source>Бумага:</source>
        <translation>Paper:</translation>
    </message>
    <message>
        <source>Печатайте в масштабе 100 % (без подгонки под страницу) и проверьте линейку 100 мм на полях.</source>
        <translation>Print at 100% scale (no fitting to the page) and check the 100 mm ruler in the margin.</translation>
    </message>
    <message>
        <source>Записать PDF…</source>
        <translation>Write PDF…</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Сторона метки:</source>
        <translation>Tag side:</translation>
    </message>
    <message>
        <source>Не найдена программа zirt-measure.</source>
        <translation>The program zirt-measure is not found.</translation>
    </message>
    <message>
        <source>Мишень не записана.</source>
        <translation>The target was not written.</translation>
    </message>
    <message>
        <source>Мишень записана: %1. Печатайте в масштабе 100 % и проверьте линейку 100 мм на полях.</source>
        <translation>The target is written: %1. Print at 100% scale and check the 100 mm ruler in the margin.</translation>
    </message>
</context>
<context>
    <name>QtPlatform</name>
    <message>
        <source>Да</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Загрузить имеющиеся</source>
        <translation>Load the existing ones</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Справка ZIRT</source>
        <translation>ZIRT help</translation>
    </message>
    <message>
        <source>Справка не найдена: </source>
        <translation>Help not found: </translation>
    </message>
</context>
<context>
    <name>RedForm</name>
    <message>
        <source>Внутренняя ошибка. Обратитесь к разработчику.</source>
        <translation>Internal error. Please tell the developers.</translation>
    </message>
    <message>
        <source>Ошибка!</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>Данные не сохранены. Сохранить?</source>
        <translation>The data are not saved. Save?</translation>
    </message>
    <message>
        <source>Предупреждение</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Редактор</source>
        <translation>Editor</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Добавить в конец</source>
        <translation>Add at the end</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Сохранить</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>Сохранить &amp;как…</source>
        <translation>Save &amp;as…</translation>
    </message>
    <message>
        <source>&amp;Выход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>В %1 есть знаки, которых нет в кодировке Windows-1251: они будут записаны как «?». Сохранить?</source>
        <translation>%1 has characters the Windows-1251 encoding does not have: they will be written as “?”. Save?</translation>
    </message>
</context>
<context>
    <name>ResultFiles</name>
    <message>
        <source>Ошибка!</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>Записан файл %1</source>
        <translation>Written: %1</translation>
    </message>
    <message>
        <source>Сохранение</source>
        <translation>Saving</translation>
    </message>
    <message>
        <source>ZIRT: Файл → Отчёт PDF…</source>
        <translation>ZIRT: File → PDF report…</translation>
    </message>
    <message>
        <source>Ошибка записи отчёта PDF!</source>
        <translation>Error writing the PDF report!</translation>
    </message>
    <message>
        <source>Ошибка записи файла калибровки!</source>
        <translation>Error writing the calibration file!</translation>
    </message>
</context>
<context>
    <name>SequenceTest</name>
    <message>
        <source>Проверка сдвига снимков не определена: нужно не меньше трёх снимков.</source>
        <translation>The image shift test is not defined: it needs at least three images.</translation>
    </message>
    <message>
        <source>Проверка сдвига снимков не определена: общая точка не найдена.</source>
        <translation>The image shift test is not defined: no common point was found.</translation>
    </message>
    <message>
        <source>снимок %1 сдвинут на (%2; %3) пикс.: камера сдвинулась или центр зума сместился</source>
        <translation>image %1 is shifted by (%2; %3) px: the camera moved or the zoom centre shifted</translation>
    </message>
    <message>
        <source>Ни один снимок не сдвинут относительно общей точки.</source>
        <translation>No image is shifted against the common point.</translation>
    </message>
    <message>
        <source>Сдвиг одного снимка сказывается на проверке других: вероятнее всего сдвинут первый названный.</source>
        <translation>A shift of one image shows in the test of the others: the first one named is the likeliest to be shifted.</translation>
    </message>
    <message>
        <source> и ещё %1</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>в снимке %1 отброшены грубые измерения (точки %2): точки пронумерованы неверно или измерены с ошибкой; сдвиг других снимков проверен без них</source>
        <translation>in image %1 gross measurements were set aside (points %2): the points are numbered wrongly or measured with an error; the other images' shift was tested without them</translation>
    </message>
    <message>
        <source>в снимке %1 отброшены грубые измерения (точка %2): точки пронумерованы неверно или измерены с ошибкой; сдвиг других снимков проверен без них</source>
        <translation>in image %1 a gross measurement was set aside (point %2): the points are numbered wrongly or measured with an error; the other images' shift was tested without it</translation>
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
    <name>TZIRTAboutBox</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Калибровка главной точки</source>
        <translation>Principal point calibration</translation>
    </message>
    <message>
        <source>© Авторы ZIRT, 2026</source>
        <translation>© The ZIRT authors, 2026</translation>
    </message>
</context>
<context>
    <name>TrackSurvey</name>
    <message>
        <source>Точки не сдвигаются между снимками: главная точка не определена.</source>
        <translation>The points do not move between the images: the principal point is not determined.</translation>
    </message>
    <message>
        <source>Прямые параллельны или лежат на одной прямой: главная точка не определена.</source>
        <translation>The lines are parallel or lie on one line: the principal point is not determined.</translation>
    </message>
    <message>
        <source>Ни одна точка не видна на двух снимках: главная точка не определена.</source>
        <translation>No point is seen on two images: the principal point is not determined.</translation>
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
    <message>
        <source>Сдвиг снимков</source>
        <translation>Image shifts</translation>
    </message>
</context>
<context>
    <name>zirt::ReportList</name>
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
    </message>
</context>
</TS>
