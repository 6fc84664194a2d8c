#pragma once

// Wipes the USB disk of the drive letter and leaves one NTFS partition over the whole of
// it, with an empty hidden boot area, labelled with the product title. False when the
// disk cannot be identified (nothing touched) or a partitioning step failed (the disk is
// left as far as the tools got).
bool RestoreUsbDisk(wchar_t letter);
