#pragma once

class RBDocument;

// Makes the window of a project document: the code editor, the (closed) layer panel pane and
// the live preview in their split views, the toolbar with its actions, and every connection
// between them and the document. The document then holds the window and the controllers are
// attached to it. The document controller's services call it when a document sets up.
void buildDocumentWindow(RBDocument& document);
