#include "step_writer.h"

#include <stdexcept>

#include <APIHeaderSection_MakeHeader.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_Controller.hxx>
#include <StepData_StepModel.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>

#include "quiet_messenger.h"

namespace oxlen_step {
namespace {

// The translator's settings live in Open CASCADE's global parameter table; they are set before
// the writer is made, because its model takes the schema when it is created. The messenger stays
// quiet for as long as the settings are in use.
class StepWriting {
 public:
  explicit StepWriting(const char* unit) {
    STEPControl_Controller::Init();
    Interface_Static::SetCVal("write.step.schema", "AP214IS");
    Interface_Static::SetCVal("write.step.unit", unit);
  }
  StepWriting(const StepWriting&) = delete;
  StepWriting& operator=(const StepWriting&) = delete;

 private:
  QuietMessenger quiet_;
};

// The header's time stamp is the same on every run, so that the same document gives the same bytes.
void FixTimeStamp(STEPCAFControl_Writer& writer) {
  APIHeaderSection_MakeHeader header(writer.ChangeWriter().Model());
  header.SetTimeStamp(new TCollection_HAsciiString("1970-01-01T00:00:00"));
}

}  // namespace

void WriteStepDocument(const std::filesystem::path& file, const char* unit,
                       const std::function<void(XCAFDoc_ShapeTool&)>& fill) {
  const StepWriting settings(unit);
  Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
  Handle(TDocStd_Document) document;
  application->NewDocument("MDTV-XCAF", document);
  if (document.IsNull()) {
    throw std::runtime_error("cannot create an XDE document for " + file.string());
  }
  fill(*XCAFDoc_DocumentTool::ShapeTool(document->Main()));
  STEPCAFControl_Writer writer;
  const bool transferred = writer.Transfer(document, STEPControl_AsIs);
  FixTimeStamp(writer);
  const bool written = transferred && writer.Write(file.string().c_str()) == IFSelect_RetDone;
  application->Close(document);
  if (!written) {
    throw std::runtime_error((transferred ? "cannot write " : "transfer to STEP failed for ") +
                             file.string());
  }
}

void WriteStepProduct(const TopoDS_Shape& shape, const std::filesystem::path& file,
                      const std::string& productName, const char* unit) {
  WriteStepDocument(file, unit, [&](XCAFDoc_ShapeTool& shapes) {
    TDataStd_Name::Set(shapes.AddShape(shape, false), productName.c_str());
  });
}

}  // namespace oxlen_step
