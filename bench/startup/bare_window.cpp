// The floor for the start-up benchmark: a program that only opens a GLFW window of the same
// size, clears it and presents one frame, then waits to be closed.
#include <GLFW/glfw3.h>

int main()
{
    if (!glfwInit()) return 1;
    glfwWindowHint(GLFW_DEPTH_BITS, 32);
    GLFWwindow* window = glfwCreateWindow(1024, 768, "Bare", nullptr, nullptr);
    if (!window) return 1;
    glfwMakeContextCurrent(window);
    glClearColor(0.25f, 0.25f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glfwSwapBuffers(window);
    while (!glfwWindowShouldClose(window)) glfwWaitEvents();
    glfwTerminate();
    return 0;
}
