#pragma once

// The module's bitmap resources, built into the module on systems whose
// module format has no resource section. Each entry holds a whole .bmp file.
struct EmbeddedBitmap {
  int resourceId;
  const unsigned char* bytes;
  unsigned size;
};

// The bitmap with this resource number, or null when there is none. As with
// the resources of a Windows module, only the low 16 bits of the number count.
const EmbeddedBitmap* findEmbeddedBitmap(int resourceId);
