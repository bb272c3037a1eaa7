// The main window's load command: the files read and checked whole before anything is
// replaced, and files written under the other regional setting taken with its separator when
// the user agrees.
#include <QStringList>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/main/main_messages.h"
#include "app/main/mpkalibr.h"
#include "data/coordinate_file.h"
#include "data/decimal_separator.h"
#include "data/file_layouts.h"
#include "data/load_hints.h"
#include "data/text_file.h"

namespace {

// Files that the regional settings' separator refuses may all read with the other one that
// settings give ('.' against ','): measurements written on another machine, or under LC_ALL=C.
// Then the user may take them so for this load; nothing when they do not read so, or when the
// user declines.
std::optional<zirt::Analysis::Loaded> OfferOtherSeparator(zirt::Platform& platform, QWidget* owner,
                                                          const std::vector<std::string>& paths,
                                                          const zirt::ECoordinateFileError& error) {
  const char separator = zirt::DecimalSeparator();
  // A file that could not be read at all, or damage, reads no better with another separator.
  if (error.Line() <= 0 || error.Cause() == zirt::kNulByteCause) return std::nullopt;
  if (separator != '.' && separator != ',') return std::nullopt;
  const char other = separator == ',' ? '.' : ',';
  std::optional<zirt::Analysis::Loaded> loaded;
  try {
    loaded = zirt::Analysis::Read(paths, other);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!zirt::AskOtherSeparator(platform, owner, other)) return std::nullopt;
  return loaded;
}

}  // namespace

void TMPForm::Button2Click() {
  zirt::FileDialogRequest dialog;
  dialog.filter = QString::fromUtf8(zirt::kCoordinateOpenFilter);
  dialog.default_extension = QString::fromUtf8(zirt::kCoordinateExtension);
  dialog.initial_folder = open_dialog_folder_;
  dialog.multi_select = true;
  const QStringList chosen = platform_.OpenFiles(this, dialog);
  if (chosen.isEmpty()) return;
  SetDialogDirs(platform_.CurrentFolder());
  LoadFiles(chosen);
}

void TMPForm::LoadFiles(const QStringList& chosen) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<std::size_t>(chosen.size()));
  for (const QString& path : chosen) paths.push_back(path.toStdString());

  // Every file is read and checked before anything is replaced: a bad file among several
  // must not leave the user with half a load and no way back to what was there.
  zirt::Analysis::Loaded loaded;
  try {
    loaded = zirt::Analysis::Read(paths);
  } catch (const zirt::ECoordinateFileError& error) {
    zirt::ShowLoadError(platform_, this, paths, &error);
    std::optional<zirt::Analysis::Loaded> other =
        OfferOtherSeparator(platform_, this, paths, error);
    if (!other) return;
    loaded = std::move(*other);
  } catch (const std::exception&) {
    zirt::ShowLoadError(platform_, this, paths, nullptr);
    return;
  }

  ClearAll();
  analysis_.Take(std::move(loaded));
  FitPictureToPoints();
  DrawMarks();
  image_names_.clear();
  for (const std::string& path : paths) {
    image_names_.push_back(zirt::ShortName(path));
    ListBox1->AddLine(QString::fromStdString(image_names_.back()));
  }
  PreviewImage->hide();
  Image1->update();
  // Loaded, yet worth a word before the computation meets it.
  zirt::ShowLoadNotes(platform_, this, zirt::LoadNotes(image_names_, State().Images));
}
