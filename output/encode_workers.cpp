#include "output/encode_workers.h"

#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

enum SlotState { slot_free, slot_pending, slot_encoding };

struct EncodeSlot {
    unsigned char* indexed;
    int64_t frame_number;
    SlotState state;
};

struct EncodeWorker {
    pthread_t thread;
    PngScratch scratch;
    char path[frame_path_capacity];
    unsigned char* last_indexed;  // the frame whose file scratch.file holds
    bool has_last;
};

struct EncodePool {
    const Exporter* exporter;
    EncodeSlot slots[max_encode_slots];
    int slot_count;
    EncodeWorker workers[max_encode_workers];
    int worker_count;
    int submit_cursor;  // next slot the main thread fills
    int take_cursor;    // next slot a worker encodes
    bool stopping;
    bool any_failed;
    EncodeReport report;
    pthread_mutex_t lock;
    pthread_cond_t work_ready;
    pthread_cond_t slot_released;
};

EncodePool pool = {};

// Encodes the slot's frame, or, when it is the same picture as the last
// frame this worker encoded (the black lead-in, the blackout, any still
// stretch), writes the same bytes again without encoding.
bool write_slot_frame(EncodeWorker& worker, EncodeSlot& slot, bool* encoded) {
    const Exporter& exporter = *pool.exporter;
    *encoded = false;
    if (!format_frame_path(worker.path, sizeof worker.path, exporter.directory, slot.frame_number)) return false;
    bool repeat = worker.has_last && std::memcmp(slot.indexed, worker.last_indexed, indexed_frame_bytes) == 0;
    if (!repeat) {
        worker.has_last = false;
        if (!encode_indexed_png(slot.indexed, exporter.palette, exporter.palette_count, worker.scratch)) return false;
        *encoded = true;
    }
    return write_file_atomically(worker.path, worker.scratch.file, worker.scratch.file_size, worker.scratch) == 1;
}

void encode_one(EncodeWorker& worker, EncodeSlot& slot, bool skip) {
    bool encoded = false;
    bool ok = !skip && write_slot_frame(worker, slot, &encoded);
    pthread_mutex_lock(&pool.lock);
    if (encoded) {
        // Keep this frame as the worker's last; the slot takes the old buffer.
        unsigned char* last = worker.last_indexed;
        worker.last_indexed = slot.indexed;
        slot.indexed = last;
        worker.has_last = true;
    }
    if (ok) {
        pool.report.frames_written++;
    } else if (!skip) {
        pool.any_failed = true;
        if (pool.report.failed_frame == 0 || slot.frame_number < pool.report.failed_frame) {
            pool.report.failed_frame = slot.frame_number;
            pool.report.error_number = worker.scratch.error_number;
            std::memcpy(pool.report.failed_path, worker.path, sizeof worker.path);
        }
    }
    slot.state = slot_free;
    pthread_cond_broadcast(&pool.slot_released);
    pthread_mutex_unlock(&pool.lock);
}

void* run_encode_worker(void* argument) {
    EncodeWorker& worker = *(EncodeWorker*)argument;
    pthread_mutex_lock(&pool.lock);
    for (;;) {
        EncodeSlot& next = pool.slots[pool.take_cursor];
        if (next.state == slot_pending) {
            next.state = slot_encoding;
            pool.take_cursor = (pool.take_cursor + 1) % pool.slot_count;
            // Once a frame has failed, later frames are not written.
            bool skip = pool.any_failed;
            pthread_mutex_unlock(&pool.lock);
            encode_one(worker, next, skip);
            pthread_mutex_lock(&pool.lock);
        } else if (pool.stopping) {
            break;
        } else {
            pthread_cond_wait(&pool.work_ready, &pool.lock);
        }
    }
    pthread_mutex_unlock(&pool.lock);
    return nullptr;
}

void free_pool_buffers() {
    for (int i = 0; i < max_encode_slots; i++) std::free(pool.slots[i].indexed);
    for (int i = 0; i < max_encode_workers; i++) {
        free_png_scratch(pool.workers[i].scratch);
        std::free(pool.workers[i].last_indexed);
    }
}

}  // namespace

int choose_encode_worker_count() {
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    if (processors < 1) return 1;
    return processors > max_encode_workers ? max_encode_workers : (int)processors;
}

int start_encode_workers(const Exporter& exporter, int worker_count) {
    if (worker_count < 1) worker_count = 1;
    if (worker_count > max_encode_workers) worker_count = max_encode_workers;
    std::memset(&pool, 0, sizeof pool);
    pool.exporter = &exporter;
    pool.slot_count = worker_count + 2;
    bool ok = true;
    for (int i = 0; i < pool.slot_count; i++) {
        pool.slots[i].indexed = (unsigned char*)std::malloc(indexed_frame_bytes);
        ok = ok && pool.slots[i].indexed != nullptr;
    }
    for (int i = 0; i < worker_count; i++) {
        ok = ok && alloc_png_scratch(pool.workers[i].scratch) == 1;
        pool.workers[i].last_indexed = (unsigned char*)std::malloc(indexed_frame_bytes);
        ok = ok && pool.workers[i].last_indexed != nullptr;
    }
    if (!ok) {
        free_pool_buffers();
        std::memset(&pool, 0, sizeof pool);
        return 0;
    }
    pthread_mutex_init(&pool.lock, nullptr);
    pthread_cond_init(&pool.work_ready, nullptr);
    pthread_cond_init(&pool.slot_released, nullptr);
    for (int i = 0; i < worker_count; i++) {
        if (pthread_create(&pool.workers[i].thread, nullptr, run_encode_worker, &pool.workers[i]) != 0) break;
        pool.worker_count++;
    }
    if (pool.worker_count == 0) {
        EncodeReport ignored;
        stop_encode_workers(ignored);
        return 0;
    }
    return 1;
}

unsigned char* acquire_encode_slot() {
    EncodeSlot& slot = pool.slots[pool.submit_cursor];
    pthread_mutex_lock(&pool.lock);
    while (slot.state != slot_free) pthread_cond_wait(&pool.slot_released, &pool.lock);
    pthread_mutex_unlock(&pool.lock);
    return slot.indexed;
}

void submit_encode_slot(int64_t frame_number) {
    pthread_mutex_lock(&pool.lock);
    EncodeSlot& slot = pool.slots[pool.submit_cursor];
    slot.frame_number = frame_number;
    slot.state = slot_pending;
    pool.submit_cursor = (pool.submit_cursor + 1) % pool.slot_count;
    pthread_cond_signal(&pool.work_ready);
    pthread_mutex_unlock(&pool.lock);
}

void wait_for_encodes() {
    pthread_mutex_lock(&pool.lock);
    for (int i = 0; i < pool.slot_count; i++) {
        while (pool.slots[i].state != slot_free) pthread_cond_wait(&pool.slot_released, &pool.lock);
    }
    pthread_mutex_unlock(&pool.lock);
}

bool encode_failed() {
    pthread_mutex_lock(&pool.lock);
    bool failed = pool.any_failed;
    pthread_mutex_unlock(&pool.lock);
    return failed;
}

void stop_encode_workers(EncodeReport& report) {
    pthread_mutex_lock(&pool.lock);
    pool.stopping = true;
    pthread_cond_broadcast(&pool.work_ready);
    pthread_mutex_unlock(&pool.lock);
    for (int i = 0; i < pool.worker_count; i++) pthread_join(pool.workers[i].thread, nullptr);
    report = pool.report;
    pthread_mutex_destroy(&pool.lock);
    pthread_cond_destroy(&pool.work_ready);
    pthread_cond_destroy(&pool.slot_released);
    free_pool_buffers();
    std::memset(&pool, 0, sizeof pool);
}
