#pragma once
// Pictures that every dialog of a process asks for again: resource pictures
// decoded once, and images derived from them kept by key.
#include <QImage>
#include <QMutex>
#include <QString>

#include <cstddef>
#include <map>

#include "orv00006/platform/export.h"

namespace plat {

// True for a path inside the program's resources (they never change).
PLATFORM_API bool IsResourcePath(const QString& path);

// A picture file. Resource pictures are decoded once per process with the
// reader their suffix names (probing the content would load every image
// plugin into the host); files on disk are read every time.
PLATFORM_API QImage LoadPicture(const QString& path);

// Images made from a key, kept per process; a few at most, so that nothing
// piles up when keys vary.
template <class Key>
class ImageCache {
public:
    explicit ImageCache(std::size_t capacity) : capacity_(capacity) {}

    template <class Make>
    QImage Get(const Key& key, Make make) {
        QMutexLocker lock(&mutex_);
        if (const auto it = images_.find(key); it != images_.end()) return it->second;
        if (images_.size() >= capacity_) images_.clear();
        return images_.emplace(key, make()).first->second;
    }

private:
    QMutex mutex_;
    std::map<Key, QImage> images_;
    std::size_t capacity_;
};

}  // namespace plat
