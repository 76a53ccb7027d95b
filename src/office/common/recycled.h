// An allocator that keeps the blocks of freed objects of one type for the next object of that
// type. The engines' light objects (a Range per cell of a cell-by-cell read) are made and dropped
// once per call; through std::allocate_shared with this allocator they reuse a handful of blocks
// instead of going to the heap each time.
#pragma once

#include <cstddef>
#include <new>

namespace tq::office {

template <class T>
class RecyclingAllocator {
  public:
    using value_type = T;

    RecyclingAllocator() = default;
    template <class U>
    RecyclingAllocator(const RecyclingAllocator<U>&) {}  // NOLINT: rebinding converts implicitly

    T* allocate(size_t n) {
        FreeList& f = freeList();
        if (n == 1 && f.count > 0) return static_cast<T*>(f.blocks[--f.count]);
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) {
        FreeList& f = freeList();
        if (n == 1 && !f.closed && f.count < kKept) {
            f.blocks[f.count++] = p;
            return;
        }
        ::operator delete(p);
    }

    template <class U>
    bool operator==(const RecyclingAllocator<U>&) const {
        return true;
    }

  private:
    // Blocks kept per thread and type: a reader holds only a few objects of a kind at once.
    static constexpr size_t kKept = 32;
    // Trivially destructible, so it stays usable after the thread's end has given its blocks
    // back: an object freed later (by a static object's destructor at exit) goes to the heap.
    struct FreeList {
        void* blocks[kKept];
        size_t count;
        bool closed;
    };
    struct Closer {
        FreeList& list;
        ~Closer() {
            while (list.count > 0) ::operator delete(list.blocks[--list.count]);
            list.closed = true;
        }
    };
    static FreeList& freeList() {
        thread_local FreeList list{};
        thread_local Closer closer{list};
        return closer.list;
    }
};

}  // namespace tq::office
