#include "conversion/trace_job.h"

#include "conversion/job_file.h"

namespace marovin {

Status write_trace_job(const std::string& path, std::string_view system, const TracePoints& points,
                       char decimal_point)
{
    Result<JobWriter> job = JobWriter::create(path, trace_header_job_header(system), decimal_point);
    if (!job)
        return fail(job.error());
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (Status added = job->add_point(points.x[i], points.y[i]); !added)
            return fail("cannot write the converter job: trace " + std::to_string(i + 1) + ": " + added.error());
    }
    return job->close();
}

} // namespace marovin
