#include "step_file.h"

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPControl_Controller.hxx>
#include <STEPControl_Reader.hxx>
#include <StepRepr_RepresentationItem.hxx>
#include <TColStd_SequenceOfAsciiString.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TopAbs_ShapeEnum.hxx>
#include <TopExp_Explorer.hxx>
#include <TransferBRep.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>

#include <fstream>
#include <mutex>
#include <stdexcept>
#include <unordered_set>

namespace Oxlen::Cad::detail {
namespace {

// Open CASCADE's reader settings are process-wide; they are set once, to millimetres.
void ConfigureReader() {
  static std::once_flag once;
  std::call_once(once, [] {
    STEPControl_Controller::Init();
    Interface_Static::SetCVal("xstep.cascade.unit", "MM");
  });
}

void CheckFile(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::exists(file, error)) {
    throw std::invalid_argument("file: '" + file.string() + "' does not exist");
  }
  if (!std::filesystem::is_regular_file(file, error)) {
    throw std::invalid_argument("file: '" + file.string() + "' is not a regular file");
  }
  if (!std::ifstream(file).good()) {
    throw std::runtime_error("cannot open '" + file.string() + "' for reading");
  }
}

std::string LengthUnit(STEPControl_Reader& reader) {
  TColStd_SequenceOfAsciiString lengths;
  TColStd_SequenceOfAsciiString angles;
  TColStd_SequenceOfAsciiString solidAngles;
  reader.FileUnits(lengths, angles, solidAngles);
  return lengths.IsEmpty() ? std::string() : std::string(lengths.First().ToCString());
}

// The names of the model's faces: every transferred face item of `model` that carries a
// non-empty name. Only faces of the model are kept, whose shapes the model keeps alive.
std::unordered_map<const TopoDS_TShape*, std::string> FaceNames(STEPControl_Reader& reader,
                                                                const TopoDS_Shape& model) {
  std::unordered_map<const TopoDS_TShape*, std::string> names;
  std::unordered_set<const TopoDS_TShape*> faces;
  for (TopExp_Explorer f(model, TopAbs_FACE); f.More(); f.Next()) {
    faces.insert(f.Current().TShape().get());
  }
  const Handle(Transfer_TransientProcess) process =
      reader.WS()->TransferReader()->TransientProcess();
  if (process.IsNull())
    return names;
  for (int i = 1; i <= process->NbMapped(); ++i) {
    const auto item = Handle(StepRepr_RepresentationItem)::DownCast(process->Mapped(i));
    if (item.IsNull() || item->Name().IsNull() || item->Name()->Length() == 0)
      continue;
    const TopoDS_Shape shape = TransferBRep::ShapeResult(process->MapItem(i));
    if (shape.IsNull() || !faces.contains(shape.TShape().get()))
      continue;
    names.emplace(shape.TShape().get(), item->Name()->ToCString());
  }
  return names;
}

}  // namespace

MStepFile ReadStepFile(const std::filesystem::path& file) {
  CheckFile(file);
  ConfigureReader();
  STEPControl_Reader reader;
  if (reader.ReadFile(file.string().c_str()) != IFSelect_RetDone) {
    throw std::runtime_error("'" + file.string() + "' is not a readable STEP file");
  }
  MStepFile result;
  result.lengthUnit = LengthUnit(reader);
  if (reader.TransferRoots() > 0)
    result.shape = reader.OneShape();
  if (!result.shape.IsNull())
    result.faceNames = FaceNames(reader, result.shape);
  return result;
}

}  // namespace Oxlen::Cad::detail
