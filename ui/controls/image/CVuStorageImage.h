// "storageimage": an image file from disk, stretched over the rectangle.
// "filepath" is a file name relative to the primary resource folder, or a
// full path below the primary or secondary resource folder or a folder the
// application allowed (AllowFolder); any other path, and any path that
// climbs with "..", is refused. "subwidth" cuts the file into frames of that
// width, drawn by the element's state as an image strip is.
#pragma once

#include <string>

#include "platform/image.h"
#include "ui/element/CVuWindow.h"

class CVuStorageImage : public CVuWindow {
 public:
  const char* GetTag() const override;  // "storageimage"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;  // reports a file it cannot read
  void PaintContent(ZCanvas* dc) override;

  // Folders whose files any storage image may show, process-wide.
  static void AllowFolder(const std::u16string& folder);
  static void ClearAllowedFolders();
  // The full path for filepath, or empty when it is refused.
  static std::u16string ResolvePath(const std::u16string& filepath);

  const std::u16string& GetPath() const { return path_; }
  bool HasImage() const { return !image_.Empty(); }

 protected:
  VuSize WantedSize(int cx, int cy) override;
  // The frame of the image for the current state (the whole image without "subwidth").
  ZRect SourceRect() const;
  BYTE alpha_ = 255;

 private:
  void ReadImage();

  std::u16string path_;
  int sub_width_ = 0;
  ZImage image_;
  bool read_ = false;
};
