/* The reference the converter benchmark times convers against: the least a
 * program can do for the same job with PROJ. It reads a UTM zone 32 north
 * job (seven header lines, then " X  Y " lines), converts every point with one
 * proj_trans_generic call and writes the same result bytes as convers (seven
 * leading lines, then number,"UTM32",latitude,longitude,0 with nine
 * decimals, CR LF), with the C library's own strtod and printf.
 *
 *   converter_reference File.cvd File.cva
 */
#include <proj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fputs("usage: converter_reference File.cvd File.cva\n", stderr);
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    if (!in) {
        perror(argv[1]);
        return 1;
    }
    size_t capacity = 1 << 20, count = 0;
    double* x = malloc(capacity * sizeof *x);
    double* y = malloc(capacity * sizeof *y);
    char line[256];
    for (int skipped = 0; skipped < 7 && fgets(line, sizeof line, in); ++skipped) {
    }
    while (fgets(line, sizeof line, in)) {
        char* end = NULL;
        double east = strtod(line, &end);
        double north = strtod(end, NULL);
        if (count == capacity) {
            capacity *= 2;
            x = realloc(x, capacity * sizeof *x);
            y = realloc(y, capacity * sizeof *y);
        }
        x[count] = east;
        y[count] = north;
        ++count;
    }
    fclose(in);

    PJ_CONTEXT* ctx = proj_context_create();
    PJ* crs_to_crs = proj_create_crs_to_crs(ctx, "EPSG:32632", "EPSG:4326", NULL);
    PJ* transformation = crs_to_crs ? proj_normalize_for_visualization(ctx, crs_to_crs) : NULL;
    if (!transformation) {
        fputs("converter_reference: no transformation\n", stderr);
        return 1;
    }
    proj_trans_generic(transformation, PJ_FWD, x, sizeof *x, count, y, sizeof *y, count, NULL, 0, 0, NULL, 0, 0);

    FILE* out = fopen(argv[2], "wb");
    if (!out) {
        perror(argv[2]);
        return 1;
    }
    const char* slash = strrchr(argv[1], '/');
    fprintf(out,
            "Convers result of %s\r\n"
            "Source system: UTM32 (WGS 84 / UTM zone 32N)\r\n"
            "Points: %zu\r\n"
            "Transformation: Inverse of UTM zone 32N\r\n"
            "Accuracy: 0 m\r\n"
            "Target system: WGS84 (WGS 84), decimal degrees\r\n"
            "Fields: number,system,latitude,longitude,ellipsoidal height\r\n",
            slash ? slash + 1 : argv[1], count);
    for (size_t i = 0; i < count; ++i)
        fprintf(out, "%zu,\"UTM32\",%.9f,%.9f,0\r\n", i + 1, y[i], x[i]);
    if (fclose(out) != 0) {
        perror(argv[2]);
        return 1;
    }
    proj_destroy(transformation);
    proj_destroy(crs_to_crs);
    proj_context_destroy(ctx);
    free(x);
    free(y);
    return 0;
}
