#include "data/file_layouts.h"

#include "data/exceptions.h"

namespace zirt {
namespace {

const LayoutInfo kScene{Layout::kSceneCoordinates,
                        " Реперные точки",
                        "Coordinate Files|*.crd|All Files|*.*",
                        "*.crd",
                        {}};
const LayoutInfo kImageReference{Layout::kImageCoordinates,
                                 " Реперные точки",
                                 "Coordinate Files|*.crd|All Files|*.*",
                                 "*.crd",
                                 {}};
const LayoutInfo kImageCorresponding{Layout::kImageCoordinates,
                                     " Соответственные точки",
                                     "Coordinate Files|*.crd|All Files|*.*",
                                     "*.crd",
                                     {}};
const LayoutInfo kListInfo{
    Layout::kList, " Список реперных точек", "List Files|*.lst|All Files|*.*", "*.lst", {}};

const LayoutInfo kCameraInfo{
    Layout::kCamera,
    " Внутренняя геометрия",
    "Cam Files|*.cam|All Files|*.*",
    "*.cam",
    {
        {" ; Координата X центра изображения", "Координата X центра изображения (пикс.)"},
        {" ; Координата Y центра изображения", "Координата Y центра изображения (пикс.)"},
        {" ; Таблица коррекции", "Таблица коррекции"},
        {" ; Фокусное расстояние", "Фокусное расстояние (пикс.)"},
        {" ; Размер изображения по горизонтали", "Ширина изображения (пикс.)"},
        {" ; Размер изображения по вертикали", "Высота изображения (пикс.)"},
        {" ; Координата X главной точки", "Координата X главной точки (пикс.)"},
        {" ; Координата Y главной точки", "Координата Y главной точки (пикс.)"},
    }};

const LayoutInfo kOrientationInfo{
    Layout::kOrientation,
    " Внешняя геометрия",
    "Orientation Files|*.ort|All Files|*.*",
    "*.ort",
    {
        {" ; Координата X центра проекции в системе координат сцены",
         "Координата X центра проекции"},
        {" ; Координата Y центра проекции в системе координат сцены",
         "Координата Y центра проекции"},
        {" ; Координата Z центра проекции в системе координат сцены",
         "Координата Z центра проекции"},
        {" ; Координата X точки визирования в системе координат сцены",
         "Координата X точки визирования"},
        {" ; Координата Y точки визирования в системе координат сцены",
         "Координата Y точки визирования"},
        {" ; Расстояние от центра проекции до точки визирования",
         "Расстояние до точки визирования"},
        {" ; Продольный угол (фотограмм.) (градусы)", "Продольный угол (фотогр.) (градусы)"},
        {" ; Поперечный угол (фотограмм.) (градусы)", "Поперечный угол (фотогр.) (градусы)"},
        {" ; Угол поворота изображения (фотограмм.) (градусы)",
         "Угол поворота (фотогр.) (градусы)"},
        {" ; Угол поворота вокруг вертикальной оси (стенд.) (градусы)",
         "Продольный угол (стенд.) (градусы)"},
        {" ; Угол поворота вокруг горизонтальной оси (стенд.) (градусы)",
         "Поперечный угол (стенд.) (градусы)"},
        {" ; Угол поворота изображения (стенд.) (градусы)", "Угол поворота (стенд.) (градусы)"},
        {" ; axx", "axx"},
        {" ; axy", "axy"},
        {" ; axz", "axz"},
        {" ; ayx", "ayx"},
        {" ; ayy", "ayy"},
        {" ; ayz", "ayz"},
        {" ; azx", "azx"},
        {" ; azy", "azy"},
        {" ; azz", "azz"},
    }};

}  // namespace

const LayoutInfo& InfoOf(DataKind kind) {
  switch (kind) {
    case 1:
      return kScene;
    case 2:
    case 3:
      return kImageReference;
    case 9:
    case 10:
      return kImageCorresponding;
    case 4:
      return kListInfo;
    case 5:
    case 6:
      return kCameraInfo;
    case 7:
    case 8:
      return kOrientationInfo;
    default:
      throw Exception("Unknown data kind " + std::to_string(kind));
  }
}

Layout LayoutOf(DataKind kind) {
  return InfoOf(kind).layout;
}

std::string FixedLineValue(const std::string& line) {
  const auto semicolon = line.find(';');
  return semicolon == std::string::npos ? std::string() : line.substr(0, semicolon);
}

}  // namespace zirt
