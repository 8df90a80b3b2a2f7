// Headless backend: the run-list rich-text document. It formats ranges with the text metrics of
// the reference device, which on this backend are the fixed ones of the recording painter.
#include "platform/headless/headless_backend_parts.h"
#include "platform/ui/rich_text_document.h"

void InstallHeadlessRichEdit() {
  SetRichTextDocumentFactory([] { return std::make_unique<TRunListDocument>(); });
}
