// The main window's error boxes: what failed, in the texts the user knows, and under it where
// the fault is and what to do about it.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "platform/platform.h"

class QString;
class QWidget;

namespace zirt {

class ECoordinateFileError;
class Exception;

// A load's notes (LoadNotes), one warning; nothing when there are none.
void ShowLoadNotes(Platform& platform, QWidget* owner, const std::vector<std::string>& notes);

// "Ошибка загрузки файла координат!" for a load of `paths`; `error` is null when the failure
// was not the files' own (a library error such as exhausted memory).
void ShowLoadError(Platform& platform, QWidget* owner, const std::vector<std::string>& paths,
                   const ECoordinateFileError* error);

// After a refused load of files that read with `other`, the decimal separator of other
// regional settings: whether to read them with it, for this load only; true for Yes.
bool AskOtherSeparator(Platform& platform, QWidget* owner, char other);

// "Перезаписать существующий файл?" naming the full `output` name; true for Yes.
bool AskOverwrite(Platform& platform, const QString& output);
// Whether `output` may be written: at once when nothing has its name, else when AskOverwrite
// says yes. A link counts as an existing name even when it points nowhere: the write would
// land at its target.
bool MayWrite(Platform& platform, const QString& output);

// "Ошибка записи cam-файла!", with the file and the system's reason in the details when the
// error knows them.
void ShowCameraWriteError(Platform& platform, QWidget* owner, const std::exception& error);

// "Сохранить результат?" on closing: Yes, No, or Cancel (Escape) to keep the window open.
Answer AskSaveResult(Platform& platform, QWidget* owner);

// A camera file name that would write somewhere the user did not pick: no stem before ".cam"
// (the result would be named just "P.cam"), or a character that the tool set's file systems
// refuse. Says why in Russian; empty when the name is fine.
QString CameraNameFault(const QString& picked);
// "Недопустимое имя cam-файла!" with the reason under it.
void ShowCameraNameFault(Platform& platform, QWidget* owner, const QString& fault);

// A computation's refusal, such as "Координаты не загружены!".
void ShowRefusal(Platform& platform, QWidget* owner, const char* message);

// A computation's own error (its text as the exception display shows it) with `hints` in view
// under it. With `offer` (the refined point found where the report's failed, as text) the box
// asks whether to open the diagnostics; true for Yes.
bool ShowComputeFailure(Platform& platform, QWidget* owner, const std::string& message,
                        const std::vector<std::string>& hints, const QString& offer);

}  // namespace zirt
