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

// "Ошибка загрузки файла координат!" for a load of `paths`; `error` is null when the failure
// was not the files' own (a library error such as exhausted memory).
void ShowLoadError(Platform& platform, QWidget* owner, const std::vector<std::string>& paths,
                   const ECoordinateFileError* error);

// "Перезаписать существующий файл?" naming the full `output` name; true for Yes.
bool AskOverwrite(Platform& platform, const QString& output);

// "Ошибка записи cam-файла!", with the file and the system's reason in the details when the
// error knows them.
void ShowCameraWriteError(Platform& platform, QWidget* owner, const std::exception& error);

// "Сохранить результат?" on closing; true for Yes.
bool AskSaveResult(Platform& platform, QWidget* owner);

// A computation's refusal, such as "Координаты не загружены!".
void ShowRefusal(Platform& platform, QWidget* owner, const char* message);

// Shows the error of a computation that ran out of points on a shorter image, with the counts
// of points of that image and of the first; false, showing nothing, for any other error.
bool ShowShortImageError(Platform& platform, QWidget* owner, const Exception& error,
                         const std::vector<std::string>& names, const std::vector<int>& counts);

}  // namespace zirt
