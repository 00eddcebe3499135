// The pictures of the inbox window, drawn by the program: the seven state
// icons of the message list and the lock shown while the session is in TLS.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvox {

// The seven state icons (index 1 to 7: Read + 2 x attachment + 4 x Replied
// to), 21 x 13 pixels each; index 0 gives a null icon.
QIcon InboxStateIcon(int index);

// The padlock, 15 x 15 pixels.
QPixmap InboxLockPixmap();

}  // namespace tarvox
