#pragma once

#include <QPixmap>

/// The program's picture for the greeting and About windows: a block of flats over a
/// sheet of accounts, drawn rather than shipped so that it scales cleanly.
QPixmap orbelonEmblem(int size);
