// GNUstep's headers look for the blocks runtime here; Debian ships it as <Block.h>.
#include <Block.h>
