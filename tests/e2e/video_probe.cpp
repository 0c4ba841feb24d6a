// What the end-to-end tests read of a recorded video through libavformat:
//   video_probe <file.mp4>: prints "<frames> <frames per second> <seconds>
//   <codec>", the frames counted packet by packet; exits 1 when the file is
//   no readable video.
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: video_probe <file.mp4>\n", stderr);
        return 2;
    }
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, argv[1], nullptr, nullptr) < 0) return 1;
    if (avformat_find_stream_info(format, nullptr) < 0 || format->nb_streams != 1) {
        avformat_close_input(&format);
        return 1;
    }
    const AVStream* stream = format->streams[0];
    long frames = 0;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == 0) ++frames;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    std::printf("%ld %.3f %.3f %s\n", frames, av_q2d(stream->avg_frame_rate),
                static_cast<double>(stream->duration) * av_q2d(stream->time_base),
                avcodec_get_name(stream->codecpar->codec_id));
    avformat_close_input(&format);
    return 0;
}
