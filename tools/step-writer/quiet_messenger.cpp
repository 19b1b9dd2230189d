#include "quiet_messenger.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>

namespace oxlen_step {

QuietMessenger::QuietMessenger() {
  const Message_SequenceOfPrinters& printers = Message::DefaultMessenger()->Printers();
  for (Message_SequenceOfPrinters::Iterator it(printers); it.More(); it.Next()) {
    saved_.emplace_back(it.Value(), it.Value()->GetTraceLevel());
    it.Value()->SetTraceLevel(Message_Fail);
  }
}

QuietMessenger::~QuietMessenger() {
  for (auto& [printer, level] : saved_) {
    printer->SetTraceLevel(level);
  }
}

}  // namespace oxlen_step
