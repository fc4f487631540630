# Writes the small videos the playback tests play into OUT, deterministically and only once.
# Run as: cmake -DOUT=<folder> -P make_media.cmake
file(MAKE_DIRECTORY ${OUT})

function(make_video name)
    if(EXISTS ${OUT}/${name})
        return()
    endif()
    execute_process(
        COMMAND ffmpeg -nostdin -loglevel error -y ${ARGN} -an -c:v mpeg4 -g 10
                -bitexact -fflags +bitexact -flags:v +bitexact -map_metadata -1
                -f mp4 ${OUT}/${name}.part
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "ffmpeg could not write ${name}")
    endif()
    file(RENAME ${OUT}/${name}.part ${OUT}/${name})
endfunction()

# Left half red, right half blue: shows where the picture lands in the window.
make_video(halves.mp4
    -f lavfi -i color=c=red:s=320x240:r=10:d=6,drawbox=x=160:y=0:w=160:h=240:color=blue:t=fill
    -q:v 2)
make_video(short.mp4 -f lavfi -i testsrc2=size=160x120:rate=10:duration=2 -q:v 6)
make_video(long.mp4 -f lavfi -i testsrc2=size=160x120:rate=10:duration=120 -q:v 10)

if(NOT EXISTS ${OUT}/corrupt.mp4)
    string(REPEAT "this is not a video " 500 junk)
    file(WRITE ${OUT}/corrupt.mp4 "${junk}")
endif()
