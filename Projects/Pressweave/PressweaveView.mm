// The editor-view factory class the CocoaUI property names: Pressweave_View.
// Built into the component only.
#include "IWeftAUView.h"

IWEFT_AU_VIEW_FACTORY(Pressweave)
