// PNG encoding on worker threads while the main thread draws the next
// frame. The main thread maps each frame into the next slot of a ring and
// submits it; workers encode and write the slots in submission order.
// Every buffer is allocated when the workers start; a frame costs no heap
// allocation. One set of workers per process.
#pragma once

#include "output/exporter.h"
#include "output/png_writer.h"

#include <cstddef>
#include <cstdint>

const int max_encode_workers = 4;
const int max_encode_slots = max_encode_workers + 2;

struct EncodeReport {
    int64_t frames_written;  // files completed
    int64_t failed_frame;    // lowest frame number that could not be written, 0 if none
    int error_number;        // its errno (0: libpng failed)
    char failed_path[frame_path_capacity];
};

// Workers for this machine: one per processor, at least 1, at most the cap.
int choose_encode_worker_count();

// Starts worker_count threads writing into exporter's directory with its
// palette (the exporter must outlive the workers). 1 on success; 0 with
// nothing left running or allocated.
int start_encode_workers(const Exporter& exporter, int worker_count);
// Waits until the next slot in the ring is free and returns its indexed
// buffer (indexed_frame_bytes) for the main thread to fill.
unsigned char* acquire_encode_slot();
// Hands the slot returned by the last acquire to the workers as file
// frame_number.
void submit_encode_slot(int64_t frame_number);
// Waits until every submitted frame has been written (or has failed).
void wait_for_encodes();
// True once any submitted frame has failed.
bool encode_failed();
// Waits for every submitted frame, stops the workers and frees everything.
void stop_encode_workers(EncodeReport& report);
