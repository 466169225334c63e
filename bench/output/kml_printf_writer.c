/* The reference for the KML writer benchmark: a plain C program that writes
 * the same document, byte for byte, with stdio and printf.
 *
 *   kml_printf_writer <points file> <output.kml> [label frequency]
 *
 * The points file holds, per point, three native doubles: longitude,
 * latitude, point number. Names "Station N" and the description "Seismic
 * line 1" go on every k-th point (default 5). */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* printf's "%.15G" with "0." shortened to "."; a blank before values of
 * zero and above when `blank`. */
static void number_text(char *out, double value, int blank)
{
    char digits[40];
    const char *p = digits;
    if (value == 0)
        value = 0; /* no "-0" */
    snprintf(digits, sizeof digits, "%.15G", value);
    if (blank && *p != '-')
        *out++ = ' ';
    if (*p == '-')
        *out++ = *p++;
    if (p[0] == '0' && p[1] == '.')
        ++p;
    strcpy(out, p);
}

int main(int argc, char **argv)
{
    FILE *in, *out;
    double point[3];
    char longitude[48], latitude[48], number[48];
    long row = 0, frequency;

    if (argc < 3) {
        fprintf(stderr, "usage: kml_printf_writer <points file> <output.kml> [label frequency]\n");
        return 2;
    }
    frequency = argc > 3 ? atol(argv[3]) : 5;
    in = fopen(argv[1], "rb");
    out = fopen(argv[2], "wb");
    if (!in || !out || frequency < 1) {
        perror("kml_printf_writer");
        return 1;
    }

    fprintf(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                 "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                 "<Document>\r\n"
                 "<Style id=\"pushpin\">\r\n"
                 "<IconStyle>\r\n"
                 "<scale>0.2</scale>\r\n"
                 "<Icon>\r\n"
                 "<href>http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href>\r\n"
                 "</Icon>\r\n"
                 "</IconStyle>\r\n"
                 "</Style>\r\n");
    while (fread(point, sizeof point, 1, in) == 1) {
        ++row;
        number_text(longitude, point[0], 0);
        number_text(latitude, point[1], 0);
        if (row % frequency == 0) {
            number_text(number, point[2], 1);
            fprintf(out,
                    "<Placemark>\r\n<name>Station%s</name>\r\n<description>Seismic line 1</description>\r\n"
                    "<styleUrl>#pushpin</styleUrl>\r\n<Point>\r\n<coordinates>%s,%s</coordinates>\r\n"
                    "</Point>\r\n</Placemark>\r\n",
                    number, longitude, latitude);
        } else {
            fprintf(out,
                    "<Placemark>\r\n<styleUrl>#pushpin</styleUrl>\r\n<Point>\r\n<coordinates>%s,%s</coordinates>\r\n"
                    "</Point>\r\n</Placemark>\r\n",
                    longitude, latitude);
        }
    }
    fprintf(out, "</Document>\r\n</kml>\r\n");
    fclose(in);
    if (fclose(out) != 0) {
        perror("kml_printf_writer");
        return 1;
    }
    return 0;
}
