// The two backends behind the drawing seam (render/draw.h), each a table of
// the seam's calls; draw.cpp chooses one.
#pragma once

struct DrawCalls {
    void (*clear)();
    void (*colour)(float r, float g, float b);
    void (*quad)(const float xy[8]);
    void (*begin_lines)(bool loop);
    void (*line_vertex)(float x, float y);
    void (*end_lines)();
    void (*flush)();
};

extern const DrawCalls gl_draw_calls;
extern const DrawCalls raster_draw_calls;
