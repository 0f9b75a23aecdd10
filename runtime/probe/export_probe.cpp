// Links the runtime like a player program does; tests inspect its dynamic symbols.
int main()
{
    return 0;
}
